#include "cli/check_fix.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/terminal.h"
#include "platform/platform.h"
#include "proof/finding_text.h"
#include "proof/fix_encoding.h"
#include "resources/check_texts.h"

namespace tsy::cli {
namespace {

constexpr std::size_t kTextSize = 2048;
// Names tried for the new file beside the output before giving up.
constexpr int kMaxTemporaryNames = 100;

// Writes to an open file, every byte or a failure.
class FileSink : public proof::ByteSink {
  public:
    explicit FileSink(platform::FileHandle file) : file_(file) {}
    bool Write(const char* bytes, std::size_t size) override {
        while (size > 0) {
            const std::uint32_t chunk = size > 65536 ? 65536u : static_cast<std::uint32_t>(size);
            const std::uint32_t written = platform::WriteOnce(file_, bytes, chunk);
            if (written == 0) {
                error_ = platform::LastError();
                return false;
            }
            bytes += written;
            size -= written;
        }
        return true;
    }
    std::uint32_t Error() const { return error_; }

  private:
    platform::FileHandle file_;
    std::uint32_t error_ = 0;
};

// A file's bytes as stored, not decoded.
class StoredBytes : public ByteSource {
  public:
    // A listing held in memory is read from there, a file from the file.
    explicit StoredBytes(const ListingInput& input)
        : held_(input.HeldBytes()),
          file_(held_ != nullptr ? platform::kNoFile : platform::OpenForReading(input.Path())) {}
    ~StoredBytes() override {
        if (file_ != platform::kNoFile) {
            platform::Close(file_);
        }
    }
    StoredBytes(const StoredBytes&) = delete;
    StoredBytes& operator=(const StoredBytes&) = delete;
    bool Read(unsigned char* buffer, std::size_t size, std::size_t* got) override {
        if (held_ != nullptr) {
            *got = std::min(size, held_->size() - at_);
            std::memcpy(buffer, held_->data() + at_, *got);
            at_ += *got;
            return true;
        }
        std::uint32_t arrived = 0;
        const bool ok =
            file_ != platform::kNoFile &&
            platform::ReadSome(file_, buffer, static_cast<std::uint32_t>(size), &arrived);
        *got = arrived;
        return ok;
    }

  private:
    const std::vector<unsigned char>* held_;
    std::size_t at_ = 0;
    platform::FileHandle file_;
};

// The encoding the listing is read in; ShiftJis when it cannot be read.
TextEncoding EncodingOf(const ListingInput& input) {
    FileByteSource listing;
    if (!input.Open(&listing)) {
        return TextEncoding::ShiftJis;
    }
    unsigned char buffer[16384];
    std::size_t got = 0;
    while (listing.Read(buffer, sizeof buffer, &got) && got > 0) {
    }
    return listing.Facts().encoding;
}

void PrintError(void (*write)(TextOut&, const char*), const char* path) {
    char line[kTextSize];
    TextOut out(line, sizeof line);
    write(out, path);
    PrintText(stderr, line);
}

// Prints each correction: its line, then the diagnosis as check shows it.
void PrintCorrections(const std::vector<proof::Correction>& corrections,
                      const std::vector<bool>* made, bool want) {
    for (std::size_t c = 0; c < corrections.size(); ++c) {
        if (made != nullptr && (*made)[c] != want) {
            continue;
        }
        const proof::Correction& correction = corrections[c];
        char line[kTextSize];
        TextOut out(line, sizeof line);
        text::CheckFixLine(out, static_cast<unsigned>(correction.line));
        char diagnosis[kTextSize];
        proof::FormatDiagnosis(correction.finding, correction.finding.diagnoses[0], diagnosis,
                               sizeof diagnosis);
        out.Append(diagnosis);
        PrintText(stdout, line);
    }
}

}  // namespace

bool FixTargetUsable(const CliOptions& options) {
    platform::FileInfo listing;
    platform::FileInfo output;
    const bool same = options.fix_path == options.dump_path ||
                      (platform::InspectPath(options.dump_path.c_str(), &listing) &&
                       platform::InspectPath(options.fix_path.c_str(), &output) &&
                       listing.kind == platform::FileKind::Regular &&
                       output.kind == platform::FileKind::Regular &&
                       listing.volume == output.volume && listing.index == output.index);
    if (same) {
        PrintError(text::CheckFixSameFile, options.fix_path.c_str());
    }
    return !same;
}

bool WriteFix(const CliOptions& options, const ListingInput& input, const proof::FixPlan& plan) {
    const char* output = options.fix_path.c_str();
    // A new file beside the output, renamed over it once written whole.
    std::string temporary;
    platform::FileHandle file = platform::kNoFile;
    for (int i = 0; i < kMaxTemporaryNames && file == platform::kNoFile; ++i) {
        temporary = options.fix_path + ".fix" + std::to_string(i) + ".tmp";
        file = platform::CreateExclusive(temporary.c_str());
    }
    if (file == platform::kNoFile) {
        const std::uint32_t error = platform::LastError();
        PrintError(text::CheckFixCannotWrite, output);
        PrintFileReason(output, error);
        return false;
    }
    FileByteSource listing;
    FileByteSource again;
    FileSink sink(file);
    // Written in the encoding the listing was saved in.
    proof::EncodingSink encoded(EncodingOf(input), &sink);
    StoredBytes stored(input);
    bool ok = input.Open(&listing) && input.Open(&again) && encoded.Learn(stored);
    proof::FixResult result;
    if (ok) {
        result = proof::WriteFixedListing(listing, again, options.dump.listing, plan, &encoded);
        ok = !result.read_failed && !result.write_failed && platform::Flush(file);
    }
    const std::uint32_t error = listing.Error() != 0 ? listing.Error()
                                : sink.Error() != 0  ? sink.Error()
                                                     : platform::LastError();
    platform::Close(file);
    if (!ok || !platform::RenameReplace(temporary.c_str(), output)) {
        const std::uint32_t reason = ok ? platform::LastError() : error;
        platform::Delete(temporary.c_str());
        PrintError(text::CheckFixCannotWrite, output);
        PrintFileReason(output, reason);
        return false;
    }
    unsigned made = 0;
    for (const bool done : result.made) {
        made += done ? 1 : 0;
    }
    char line[kTextSize];
    TextOut out(line, sizeof line);
    text::CheckFixWritten(out, made, output);
    PrintText(stdout, line);
    PrintCorrections(plan.Corrections(), &result.made, true);
    if (made < result.made.size()) {
        PrintText(stdout, text::kCheckFixNotMade);
        PrintCorrections(plan.Corrections(), &result.made, false);
    }
    if (!plan.LeftAsTyped().empty()) {
        PrintText(stdout, text::kCheckFixLeft);
        PrintCorrections(plan.LeftAsTyped(), nullptr, true);
    }
    return true;
}

}  // namespace tsy::cli
