// The FrontEnd over the main dialog's controls.
#include "app/main_dialog_front_end.h"

#include <cstring>

#include "app/boxes/about_box.h"
#include "app/main_dialog.h"
#include "resources/resource.h"
#include "resources/texts.h"

namespace tsy::gui {

bool DialogFrontEnd::Checked(int id) const {
    // The check mark, also of a disabled control.
    return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

bool DialogFrontEnd::ReadFormatCheck() {
    return Checked(IDC_FORMAT_CHECK);
}

bool DialogFrontEnd::AskStateFile(char* path) {
    return AskForFile(dialog_, text::kStateFilterName, text::kStateFilterPattern,
                      text::kStateChooseTitle, path);
}

bool DialogFrontEnd::AskDumpFile(char* path) {
    return AskForFile(dialog_, text::kDumpFilterName, text::kDumpFilterPattern,
                      text::kDumpChooseTitle, path);
}

void DialogFrontEnd::ShowStatePath(const char* path) {
    SetDlgItemTextA(dialog_, IDC_STATE_PATH, path);
}

void DialogFrontEnd::ShowDumpPath(const char* path) {
    SetDlgItemTextA(dialog_, IDC_DUMP_PATH, path);
}

void DialogFrontEnd::Repaint() {
    InvalidateRect(dialog_, nullptr, TRUE);
}

DumpOptions DialogFrontEnd::ReadDumpOptions() {
    DumpOptions options;
    options.binary_mode = !Checked(IDC_TEXT_MODE);
    options.listing.checksum = Checked(IDC_CHECKSUM);
    options.unix_text = Checked(IDC_UNIX_TEXT);
    options.listing.address_sum = Checked(IDC_ADDRESS_SUM);
    options.listing.ohmz_sum = Checked(IDC_OHMZ_SUM);
    options.listing.lower_address_only = Checked(IDC_LOWER_ADDRESS_ONLY);
    options.listing.ohx_crc = Checked(IDC_OHX_CRC);
    // A count of 5 keeps at most the field's first 4 characters.
    std::memset(options.start_address, 0, sizeof options.start_address);
    GetDlgItemTextA(dialog_, IDC_START_ADDRESS, options.start_address,
                    sizeof options.start_address);
    // 0 when the text is not an unsigned decimal number.
    options.memory_offset = GetDlgItemInt(dialog_, IDC_MEMORY_OFFSET, nullptr, FALSE);
    return options;
}

void DialogFrontEnd::EnableWriteBack() {
    EnableWindow(GetDlgItem(dialog_, IDC_WRITE_BACK), TRUE);
}

void DialogFrontEnd::ShowAbout() {
    DialogBoxParamA(ProgramInstance(), IDD_ABOUT_BOX, dialog_, About, 0);
}

void DialogFrontEnd::Exit() {
    DestroyWindow(dialog_);
    PostQuitMessage(0);
}

}  // namespace tsy::gui
