// The six commands of the program, shared by the dialog and the command
// line: choose the state-save file, choose the dump file, apply, write back,
// About, exit. The front end supplies what only it can (file choice, the
// option controls, the About box, the exit); every message goes through
// platform::Tell, whose sink the front end installs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/state_image.h"
#include "listing/listing_reader.h"

namespace tsy {

inline constexpr std::size_t kPathSize = 260;

// The options of one apply, as read from the front end's controls.
struct DumpOptions {
    bool binary_mode = false;         // BinaryMode
    ListingOptions listing;           // Checksum, AddressSum, LowerAddressOnly, OhMzSum, OhXCrc
    bool unix_text = false;           // UnixText
    char start_address[5] = {};       // StartAddress: at most 4 characters
    std::uint32_t memory_offset = 0;  // MemoryOffset
};

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // The format-check option as the user has set it now.
    virtual bool ReadFormatCheck() = 0;
    // Asks the user for an existing file; false when cancelled. `path` has
    // room for kPathSize bytes.
    virtual bool AskStateFile(char* path) = 0;
    virtual bool AskDumpFile(char* path) = 0;
    // Shows a newly named path in its field.
    virtual void ShowStatePath(const char* path) = 0;
    virtual void ShowDumpPath(const char* path) = 0;
    virtual void Repaint() = 0;
    // The options of an apply, read after both path checks passed.
    virtual DumpOptions ReadDumpOptions() = 0;
    virtual void EnableWriteBack() = 0;
    virtual void ShowAbout() = 0;
    // Ends the program.
    virtual void Exit() = 0;
};

// Where a dropped file landed.
struct DropTarget {
    bool state_field = false;  // on the state-save path field
    bool dump_field = false;   // on the dump path field
};

enum class ApplyResult {
    Applied,    // placed or read to the end
    Refused,    // the dump was refused (an E code, D3, a range outside the image)
    FileError,  // a file could not be opened or read
    NoPath,     // a path was missing; told to the user
    NoImage,    // a state-save path is named but no image is held
    Busy,       // another command is running; nothing done
};

enum class CommandResult { Done, Failed, Busy };

class Commands {
  public:
    Commands(FrontEnd& front_end, StateImage& image);

    // Command 101: samples the format check, asks for the file, loads it.
    CommandResult BrowseStateFile();
    // Command 102: asks for the dump file and names it.
    CommandResult BrowseDumpFile();
    // A file dropped on the dialog (only the first of several counts).
    CommandResult Drop(const char* path, DropTarget target);
    // Command 103.
    ApplyResult Apply();
    // Command 104: only after an apply has enabled it; "書き込み完了" only
    // after a write-back that succeeded.
    CommandResult WriteBack();
    // Command 105.
    CommandResult About();
    // Command 2.
    CommandResult Exit();

    const char* StatePath() const { return state_path_; }
    const char* DumpPath() const { return dump_path_; }
    bool FormatCheck() const { return format_check_; }
    bool WriteBackEnabled() const { return write_back_enabled_; }
    // Whether a command is running (waiting in one of its message boxes).
    bool Busy() const { return busy_; }

  private:
    class BusyScope;

    void NameStateFile(const char* path);
    void CheckFormatAndWarn();

    FrontEnd& front_end_;
    StateImage& image_;
    char state_path_[kPathSize] = {};
    char dump_path_[kPathSize] = {};
    bool format_check_ = true;
    bool write_back_enabled_ = false;
    bool busy_ = false;
};

}  // namespace tsy
