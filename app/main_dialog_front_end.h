// The main dialog's controls as the FrontEnd of the shared commands.
#pragma once

#include <windows.h>

#include "app/commands.h"

namespace tsy::gui {

class DialogFrontEnd final : public FrontEnd {
  public:
    explicit DialogFrontEnd(HWND dialog) : dialog_(dialog) {}

    bool ReadFormatCheck() override;
    bool AskStateFile(char* path) override;
    bool AskDumpFile(char* path) override;
    void ShowStatePath(const char* path) override;
    void ShowDumpPath(const char* path) override;
    void Repaint() override;
    DumpOptions ReadDumpOptions() override;
    void EnableWriteBack() override;
    void ShowAbout() override;
    // Destroys the dialog and posts the quit request (code 0).
    void Exit() override;

  private:
    bool Checked(int id) const;

    HWND dialog_;
};

// Asks for an existing file with the open-file dialog, owned by `owner`.
// Writes the chosen path (zero-terminated, at most kPathSize bytes) into
// `path` and returns true; returns false, `path` untouched, when cancelled.
bool AskForFile(HWND owner, const char* filter_name, const char* filter_pattern, const char* title,
                char* path);

}  // namespace tsy::gui
