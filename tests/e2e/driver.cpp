// Drives tsypatch.exe from outside, as a user would: a console program in the
// same Wine prefix that finds the program's dialogs, reads their controls and
// clicks them. One action per run; the test scripts chain the runs.
//
// "controls" prints one line per child in template order, tab-separated:
// id, class, style, x, y, width, height (pixels in the client area),
// visible, enabled, check state ("-" when not a check box or radio button),
// text as hex bytes, text as UTF-8; before them the dialog base units of the
// given font and the client size.
//
// Windows are chosen by a selector:
//   main         the main dialog (the #32770 window that holds field 201)
//   box:TITLE    any other visible #32770 window titled exactly TITLE
// TITLE and other texts arrive in the ANSI code page (932 under a Japanese
// locale); texts are printed as UTF-8.
//
// Nothing here sends a message that could wait on a modal loop: commands are
// posted, reads use SendMessageTimeout.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kReadTimeoutMs = 2000;

struct Selector {
    bool main = false;
    std::string title;  // CP932
};

bool ParseSelector(const char* text, Selector* selector) {
    if (std::strcmp(text, "main") == 0) {
        selector->main = true;
        return true;
    }
    if (std::strncmp(text, "box:", 4) == 0) {
        selector->title = text + 4;
        return true;
    }
    return false;
}

bool IsDialog(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0 && IsWindowVisible(window);
}

std::string WindowTitle(HWND window) {
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

bool Matches(HWND window, const Selector& selector) {
    if (!IsDialog(window)) {
        return false;
    }
    bool has_state_field = GetDlgItem(window, 201) != nullptr;
    if (selector.main) {
        return has_state_field;
    }
    return !has_state_field && WindowTitle(window) == selector.title;
}

struct Search {
    const Selector* selector;
    HWND found;
};

BOOL CALLBACK FindOne(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (Matches(window, *search->selector)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct Tally {
    const Selector* selector;
    int count;
};

BOOL CALLBACK CountOne(HWND window, LPARAM param) {
    auto* tally = reinterpret_cast<Tally*>(param);
    if (Matches(window, *tally->selector)) {
        ++tally->count;
    }
    return TRUE;
}

int Count(const Selector& selector) {
    Tally tally = {&selector, 0};
    EnumWindows(CountOne, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

HWND Find(const Selector& selector) {
    Search search = {&selector, nullptr};
    EnumWindows(FindOne, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ToUtf8(const std::string& ansi) {
    int wide_len = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    if (wide_len <= 0) {
        return "?";
    }
    std::vector<wchar_t> wide(wide_len);
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), wide_len);
    int len = WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> out(len > 0 ? len : 1);
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, out.data(), len, nullptr, nullptr);
    return out.data();
}

// Control characters as \xHH, so that a text stays on its line.
std::string OneLine(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The text of a window, through WM_GETTEXT in the ANSI code page.
bool ReadText(HWND window, std::string* text) {
    char buffer[16384] = {};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, kReadTimeoutMs, &result)) {
        return false;
    }
    *text = buffer;
    return true;
}

BOOL CALLBACK ListOne(HWND window, LPARAM) {
    if (IsDialog(window)) {
        std::fprintf(stderr, "  dialog %p \"%s\"%s\n", static_cast<void*>(window),
                     ToUtf8(WindowTitle(window)).c_str(),
                     GetDlgItem(window, 201) != nullptr ? " (main)" : "");
    }
    return TRUE;
}

void ListDialogs() {
    std::fprintf(stderr, "open dialogs:\n");
    EnumWindows(ListOne, 0);
}

HWND WaitFor(const Selector& selector, int timeout_ms) {
    for (int waited = 0;; waited += 50) {
        if (HWND window = Find(selector)) {
            return window;
        }
        if (waited >= timeout_ms) {
            return nullptr;
        }
        Sleep(50);
    }
}

// "self" is the window itself; otherwise a control id (decimal, or 0x hex).
HWND Control(HWND window, const char* id_text) {
    if (std::strcmp(id_text, "self") == 0) {
        return window;
    }
    int id = static_cast<int>(std::strtol(id_text, nullptr, 0));
    return GetDlgItem(window, id);
}

INT_PTR CALLBACK ProbeProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Dialog base units of a template font, from a dialog of our own.
bool BaseUnits(int points, const char* face, int* x, int* y) {
    wchar_t wide_face[64] = {};
    MultiByteToWideChar(CP_ACP, 0, face, -1, wide_face, 63);
    std::vector<WORD> words(64, 0);
    auto* tmpl = reinterpret_cast<DLGTEMPLATE*>(words.data());
    tmpl->style = WS_POPUP | DS_SETFONT;
    tmpl->cx = 100;
    tmpl->cy = 100;
    // After the header: menu 0, class 0, title "", then size and face name.
    std::size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD) + 3;
    words[at++] = static_cast<WORD>(points);
    for (std::size_t i = 0; wide_face[i] != 0 && at < words.size() - 1; ++i) {
        words[at++] = wide_face[i];
    }
    HWND probe = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), tmpl, nullptr, ProbeProc, 0);
    if (probe == nullptr) {
        return false;
    }
    RECT rect = {0, 0, 4, 8};
    MapDialogRect(probe, &rect);
    DestroyWindow(probe);
    *x = rect.right;
    *y = rect.bottom;
    return true;
}

int Fail(const char* what) {
    std::fprintf(stderr, "driver: %s\n", what);
    return 1;
}

int ListControls(HWND window, int points, const char* face) {
    int bx = 0;
    int by = 0;
    if (!BaseUnits(points, face, &bx, &by)) {
        return Fail("cannot measure the dialog font");
    }
    std::printf("units\t%d\t%d\n", bx, by);
    RECT client;
    GetClientRect(window, &client);
    std::printf("client\t%ld\t%ld\n", client.right, client.bottom);
    // Children in z-order, which for a dialog is the template order.
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char class_name[64] = {};
        GetClassNameA(child, class_name, sizeof class_name);
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        std::string check = "-";
        LONG kind = style & BS_TYPEMASK;
        if (_stricmp(class_name, "Button") == 0 &&
            (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON ||
             kind == BS_RADIOBUTTON)) {
            DWORD_PTR state = 0;
            SendMessageTimeoutA(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs, &state);
            check = std::to_string(state);
        }
        std::string text;
        ReadText(child, &text);
        std::string hex;
        for (unsigned char c : text) {
            char pair[3];
            std::snprintf(pair, sizeof pair, "%02x", c);
            hex += pair;
        }
        std::printf("%d\t%s\t%08lX\t%ld\t%ld\t%ld\t%ld\t%d\t%d\t%s\t%s\t%s\n",
                    static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), class_name,
                    static_cast<unsigned long>(style), rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, IsWindowVisible(child) ? 1 : 0,
                    IsWindowEnabled(child) ? 1 : 0, check.c_str(), hex.empty() ? "-" : hex.c_str(),
                    OneLine(ToUtf8(text)).c_str());
    }
    return 0;
}

// A point of the close box in screen coordinates, found by hit-testing the
// caption from its right end.
int CloseBox(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int caption = GetSystemMetrics(SM_CYCAPTION);
    int frame = GetSystemMetrics(SM_CYFIXEDFRAME);
    int y = rect.top + frame + caption / 2;
    for (int x = rect.right - 1; x > rect.left; --x) {
        DWORD_PTR hit = 0;
        if (SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG,
                                kReadTimeoutMs, &hit) &&
            hit == HTCLOSE) {
            // A few pixels inside the button, away from its edge.
            std::printf("%d %d\n", x - 4, y);
            return 0;
        }
    }
    return Fail("no close box in the caption");
}

int Usage() {
    std::fprintf(stderr,
                 "usage: driver ACTION SELECTOR [ARGS]\n"
                 "  wait SEL [ms]          gone SEL [ms]      count SEL\n"
                 "  text SEL ID|self       hex SEL ID|self\n"
                 "  controls SEL POINTS FACE\n"
                 "  click SEL ID           command SEL ID     notify SEL ID CODE\n"
                 "  press SEL ID (click, then wait until that window has closed)\n"
                 "  settext SEL ID TEXT    check SEL ID       enabled SEL ID\n"
                 "  rect SEL ID|self       style SEL ID|self  focus SEL\n"
                 "  xwindow SEL            closebox SEL       key SEL VK\n"
                 "  owner SEL              scroll SEL ID LINES\n"
                 "  cursor SEL (the handle of the cursor shown now)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Plain line feeds on the pipe, as the scripts expect.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 3) {
        return Usage();
    }
    std::string action = argv[1];
    Selector selector;
    if (!ParseSelector(argv[2], &selector)) {
        return Usage();
    }
    auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : nullptr; };
    int timeout_ms = arg(3) != nullptr ? std::atoi(arg(3)) : 10000;

    if (action == "count") {
        std::printf("%d\n", Count(selector));
        return 0;
    }
    if (action == "gone") {
        for (int waited = 0; Find(selector) != nullptr; waited += 50) {
            if (waited >= timeout_ms) {
                ListDialogs();
                return Fail("the window is still open");
            }
            Sleep(50);
        }
        return 0;
    }

    HWND window = WaitFor(selector, action == "wait" ? timeout_ms : 3000);
    if (window == nullptr) {
        ListDialogs();
        return Fail(("no window for " + ToUtf8(argv[2])).c_str());
    }
    if (action == "wait") {
        return 0;
    }
    if (action == "controls") {
        if (arg(4) == nullptr) {
            return Usage();
        }
        return ListControls(window, std::atoi(arg(3)), arg(4));
    }
    if (action == "xwindow") {
        // A pointer-sized value on both Windows builds.
        std::printf("%" PRIuPTR "\n",
                    reinterpret_cast<std::uintptr_t>(GetPropA(window, "__wine_x11_whole_window")));
        return 0;
    }
    if (action == "closebox") {
        return CloseBox(window);
    }
    if (action == "owner") {
        HWND owner = GetWindow(window, GW_OWNER);
        if (owner == nullptr) {
            std::printf("none\n");
        } else if (GetDlgItem(owner, 201) != nullptr) {
            std::printf("main\n");
        } else {
            std::printf("%s\n", ToUtf8(WindowTitle(owner)).c_str());
        }
        return 0;
    }
    if (action == "cursor") {
        // The handle of the cursor shown now. Under Wine another process's
        // cursor cannot be looked into, so tests compare handles shown at
        // different moments.
        CURSORINFO info = {};
        info.cbSize = sizeof info;
        if (!GetCursorInfo(&info)) {
            return Fail("no cursor information");
        }
        std::printf("%p\n", static_cast<void*>(info.hCursor));
        return 0;
    }
    if (action == "focus") {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
            return Fail("no thread information");
        }
        std::printf("%d\n", info.hwndFocus != nullptr ? GetDlgCtrlID(info.hwndFocus) : 0);
        return 0;
    }
    if (arg(3) == nullptr) {
        return Usage();
    }
    if (action == "key") {
        // A key press as the dialog manager sees it: posted to the control
        // that has the focus, or to the window itself.
        WPARAM key = static_cast<WPARAM>(std::strtol(arg(3), nullptr, 0));
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
        HWND target = info.hwndFocus != nullptr ? info.hwndFocus : window;
        PostMessageA(target, WM_KEYDOWN, key, 1);
        PostMessageA(target, WM_KEYUP, key, 0xC0000001);
        return 0;
    }
    HWND control = Control(window, arg(3));
    if (control == nullptr) {
        return Fail(("no control " + std::string(arg(3))).c_str());
    }
    if (action == "text" || action == "hex") {
        std::string text;
        if (!ReadText(control, &text)) {
            return Fail("the window does not answer");
        }
        if (action == "text") {
            std::printf("%s\n", ToUtf8(text).c_str());
        } else {
            for (unsigned char c : text) {
                std::printf("%02x", c);
            }
            std::printf("\n");
        }
        return 0;
    }
    if (action == "click") {
        PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (action == "press") {
        // Clicks a button and waits until this very window has closed,
        // even when another of the same title opens next.
        PostMessageA(control, BM_CLICK, 0, 0);
        for (int waited = 0; IsWindow(window); waited += 50) {
            if (waited >= 5000) {
                return Fail("the window stayed open");
            }
            Sleep(50);
        }
        return 0;
    }
    if (action == "scroll") {
        // Scrolls an edit field by a number of lines, as its scroll bar would.
        const long lines = arg(4) != nullptr ? std::strtol(arg(4), nullptr, 0) : 1;
        PostMessageA(control, EM_LINESCROLL, 0, static_cast<LPARAM>(lines));
        return 0;
    }
    if (action == "command" || action == "notify") {
        // notify: the same command with another notification code.
        int code = action == "notify" && arg(4) != nullptr ? std::atoi(arg(4)) : BN_CLICKED;
        int id = GetDlgCtrlID(control);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (action == "settext") {
        const char* text = arg(4) != nullptr ? arg(4) : "";
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                                 SMTO_ABORTIFHUNG, kReadTimeoutMs, &result)) {
            return Fail("the window does not answer");
        }
        return 0;
    }
    if (action == "check") {
        DWORD_PTR state = 0;
        if (!SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kReadTimeoutMs,
                                 &state)) {
            return Fail("the window does not answer");
        }
        std::printf("%u\n", static_cast<unsigned>(state));
        return 0;
    }
    if (action == "enabled") {
        std::printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
        return 0;
    }
    if (action == "rect") {
        RECT rect;
        GetWindowRect(control, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return 0;
    }
    if (action == "style") {
        std::printf("%08lX %08lX\n", static_cast<unsigned long>(GetWindowLongA(control, GWL_STYLE)),
                    static_cast<unsigned long>(GetWindowLongA(control, GWL_EXSTYLE)));
        return 0;
    }
    return Usage();
}
