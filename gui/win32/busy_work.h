// Work that takes seconds (reading a page image) run on a thread of its
// own, while the dialog's thread goes on dispatching its messages: the
// dialog paints, moves and takes clicks, which the controller's busy guard
// refuses, and the cursor over it is the busy one.
#pragma once

#include <windows.h>

#include <functional>

namespace tsy::gui {

// Runs `work` and returns when it has ended; an exception it throws is
// thrown here. `dialog` gets its keyboard messages meanwhile.
void RunWhileDispatching(HWND dialog, const std::function<void()>& work);

// Whether such work is running: the dialog shows the busy cursor.
bool BusyWorkRunning();

}  // namespace tsy::gui
