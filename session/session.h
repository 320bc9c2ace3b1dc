// One user's work on one state-save file, as both front ends do it: the
// named state-save file and its image, the named dump, and the steps of an
// apply and a write-back. Every step returns what happened with the message
// for the user; the front end shows it, and decides what comes between the
// steps (the dialog reads its option controls only after the reload's
// messages have been seen).
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/binary_dump.h"
#include "image/state_image.h"
#include "listing/listing_options.h"
#include "listing/listing_reader.h"
#include "resources/message.h"

namespace tsy {

// Room for a path, terminator included.
inline constexpr std::size_t kPathSize = 260;

// The options of one apply, set to what the dialog's controls show at the
// start (the command line's defaults).
struct DumpOptions {
    bool binary_mode = false;  // BinaryMode
    ListingOptions listing;    // Checksum, AddressSum, LowerAddressOnly, OhMzSum, OhXCrc
    bool unix_text = false;    // UnixText
    char start_address[5] = TSY_DEFAULT_START_ADDRESS;   // StartAddress: at most 4 characters
    std::uint32_t memory_offset = kDefaultMemoryOffset;  // MemoryOffset
};

enum class ApplyStatus {
    Applied,      // placed, or read to the end of the listing
    Ready,        // the path checks passed and an image is held; nothing placed yet
    Refused,      // the dump was refused: an E code, too large, outside the image
    FileError,    // the dump could not be opened or read
    NoStatePath,  // no state-save file is named
    NoDumpPath,   // no dump is named
    NoImage,      // a state-save file is named, but no image is held
};

struct ApplyResult : Result<ApplyStatus> {
    // A listing's run: the E code that stopped it (Accepted otherwise) and
    // the range of the lines it stored.
    LineOutcome stopped_by = LineOutcome::Accepted;
    AddressRange range;
    // The bytes stored into the image, from a listing or a binary dump.
    std::uint32_t stored = 0;
    // A listing read to its end that stored not one byte (refused).
    bool nothing_read = false;
    // What the decoding of the listing saw.
    SourceFacts source;
};

// The system's reason for an error code of the platform, in Japanese, for
// the kinds a user can act on (not found, access denied, in use, a folder,
// disk full); null for the others.
const char* ErrorReason(std::uint32_t code);

class Session {
  public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Names the state-save file (cut to kPathSize - 1 bytes) and loads it;
    // the path stays named when the load fails.
    LoadResult OpenState(const char* path);

    // Loads the named state-save file again, discarding the image: every
    // apply starts from the file as it is on disk.
    LoadResult Reload();

    // Names the dump (cut to kPathSize - 1 bytes); nothing is read.
    void NameDump(const char* path);

    // Whether an image is held and fails the format check.
    bool FormatSuspect() const;
    // The format warning and what to check.
    static Message FormatWarning();

    // The checks before an apply reads its options: Ready, or NoStatePath,
    // NoDumpPath or NoImage with their messages.
    ApplyResult CheckReady() const;

    // Places the named dump into the image under `options` (after Ready),
    // reading it once; a listing's reader tells `observer` (when not null)
    // every line it reads. A listing read to its end that stored not one
    // byte is Refused, with the likely cause.
    ApplyResult Apply(const DumpOptions& options, LineObserver* observer = nullptr);

    // Whether the named dump is a regular file, which can be read again for
    // check's findings; a pipe or a FIFO gives its bytes once.
    bool DumpReadableAgain() const;

    // Applies the listing in the file `listing` (after Ready), as Apply does
    // a listing named as the dump: one written from a page image that the
    // dump names.
    ApplyResult ApplyListing(const char* listing, const ListingOptions& options,
                             std::uint32_t memory_offset, LineObserver* observer = nullptr);

    // Whether the named dump begins as a state-save file does (the two files
    // given the wrong way round).
    bool DumpLooksLikeStateFile() const;

    // The first bytes of the named dump, at most `size` of them, into
    // `head`: how many were read; 0 when it is no regular file or cannot be
    // read (a FIFO is not read here).
    std::size_t ReadDumpHead(unsigned char* head, std::size_t size) const;

    // Writes the image back to the named state-save file.
    WriteBackResult WriteBack();

    const StateImage& Image() const { return image_; }
    const char* StatePath() const { return state_path_; }
    const char* DumpPath() const { return dump_path_; }

  private:
    StateImage image_;
    char state_path_[kPathSize] = {};
    char dump_path_[kPathSize] = {};
};

}  // namespace tsy
