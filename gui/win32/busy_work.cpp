#include "gui/win32/busy_work.h"

#include <exception>

namespace tsy::gui {
namespace {

// The recogniser's stack: more than the program's own 2 MB, reserved only.
constexpr SIZE_T kWorkStack = 16u << 20;

int g_running = 0;

struct Task {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

DWORD WINAPI RunTask(LPVOID parameter) {
    auto* task = static_cast<Task*>(parameter);
    try {
        (*task->work)();
    } catch (...) {
        task->failure = std::current_exception();
    }
    return 0;
}

// Dispatches what has come for the thread. WM_QUIT is kept in `*quit` and
// `*quit_code`, to be posted again once the work has ended.
void Dispatch(HWND dialog, bool* quit, WPARAM* quit_code) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *quit = true;
            *quit_code = message.wParam;
            continue;
        }
        if (!IsWindow(dialog) || !IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

void RunWhileDispatching(HWND dialog, const std::function<void()>& work) {
    Task task{&work, nullptr};
    ++g_running;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    HANDLE thread = CreateThread(nullptr, kWorkStack, RunTask, &task,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) {
        RunTask(&task);  // no thread to be had: the work runs here, the dialog waits
    } else {
        bool quit = false;
        WPARAM quit_code = 0;
        for (;;) {
            const DWORD woke =
                MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woke == WAIT_OBJECT_0 + 1) {
                Dispatch(dialog, &quit, &quit_code);
                continue;
            }
            if (woke != WAIT_OBJECT_0) {
                WaitForSingleObject(thread, INFINITE);  // the wait failed: no dispatching
            }
            break;
        }
        CloseHandle(thread);
        if (quit) {
            PostQuitMessage(static_cast<int>(quit_code));
        }
    }
    --g_running;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (task.failure) {
        std::rethrow_exception(task.failure);
    }
}

bool BusyWorkRunning() {
    return g_running > 0;
}

}  // namespace tsy::gui
