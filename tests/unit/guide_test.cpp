// The guide's list of messages (docs/guide-ja.txt, "■ メッセージと対処")
// against the program's own texts: every message a user can see is in the
// guide, and the guide quotes no message the program does not say. A
// message is matched by the longest run of its first line that holds no
// value.
#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "resources/cli_texts.h"
#include "resources/scan_image_texts.h"
#include "resources/scan_texts.h"
#include "resources/texts.h"

namespace tsy {
namespace {

// Values a message is formatted with: none of them occurs in a text.
constexpr char kValue[] = "\x01";
constexpr unsigned kNumber = 987654321;  // 3ADE68B1 in hexadecimal

using Write = std::function<void(TextOut&)>;

std::vector<Write> ProgramMessages() {
    const char* v = kValue;
    const unsigned n = kNumber;
    const int code = static_cast<int>(kNumber);
    auto fixed = [](const char* text) { return Write([text](TextOut& out) { out.Append(text); }); };
    return {
        fixed(text::kFormatWarning),
        fixed(text::kStateOpenFailed),
        fixed(text::kStateReadFailed),
        fixed(text::kStateWriteFailed),
        fixed(text::kStateBackupTooLong),
        fixed(text::kNoStateImage),
        fixed(text::kStateNotRegular),
        fixed(text::kStateChanged),
        fixed(text::kStateReadOnly),
        fixed(text::kStateHardLinked),
        fixed(text::kStateBackupNotKept),
        [=](TextOut& out) { text::StateSizeFailed(out, code); },
        [=](TextOut& out) { text::StateMemoryFailed(out, code); },
        [=](TextOut& out) { text::StateBackupFailed(out, code); },
        [=](TextOut& out) { text::StateReplaceFailed(out, code); },
        [=](TextOut& out) { text::StateTempFailed(out, code); },
        [=](TextOut& out) { text::StateLockFailed(out, code); },
        [=](TextOut& out) { text::StateCheckFailed(out, code); },
        [=](TextOut& out) {
            text::StateAttributesFailed(out, text::kAttributePermissions, "", code);
        },
        fixed(text::kDumpOpenFailed),
        fixed(text::kDumpReadFailed),
        [=](TextOut& out) { text::DumpSizeFailed(out, code); },
        [=](TextOut& out) { text::DumpTooLarge(out, n); },
        [=](TextOut& out) { text::DumpEmpty(out, n, false); },
        [=](TextOut& out) { text::DumpEmpty(out, n, true); },
        [=](TextOut& out) { text::DumpMemoryFailed(out, code); },
        [=](TextOut& out) { text::DumpOutsideImage(out, n, n, n); },
        [=](TextOut& out) { text::PlacedRange(out, n, n); },
        fixed(text::kListingReadFailed),
        fixed(text::kListingTooLarge),
        fixed(text::kListingEndlessLine),
        fixed(text::kFindingsNotShown),
        [=](TextOut& out) { text::ListingOpenFailed(out, code); },
        [=](TextOut& out) { text::NothingRead(out, v); },
        fixed(text::kNothingReadStateFile),
        fixed(text::kNothingReadZeroBytes),
        fixed(text::kNothingReadNoDataLine),
        fixed(text::kNothingReadNoBytes),
        [=](TextOut& out) { text::ReportE00(out, v, n, v); },
        [=](TextOut& out) { text::ReportE02(out, v, v, n); },
        [=](TextOut& out) { text::ReportE03(out, v, v, n); },
        [=](TextOut& out) { text::ReportE04(out, v, n, v); },
        [=](TextOut& out) { text::ReportE05Heading(out, v); },
        [=](TextOut& out) { text::ReportE06(out, v, v, n); },
        [=](TextOut& out) { text::ReportE07(out, v, v, n); },
        [=](TextOut& out) { text::ReportE08(out, v, v, n); },
        [=](TextOut& out) { text::ReportE09(out, v, n, n, n); },
        fixed(text::kNeedStatePath),
        fixed(text::kNeedDumpPath),
        fixed(text::kReplaceState),
        fixed(text::kWriteComplete),
        [=](TextOut& out) { text::DialogWarningsHeading(out, n); },
        [=](TextOut& out) { text::DialogMoreWarnings(out, n); },
        [=](TextOut& out) { text::SubstitutedCharacters(out, n); },
        // A page image as the dump, and the scan.
        [=](TextOut& out) { text::PageInDoubt(out, v); },
        fixed(text::kScanEngineMissing),
        fixed(text::kScanUnreadable),
        fixed(text::kScanNoListing),
        fixed(text::kScanWriteFailed),
        fixed(text::kScanAnnotateFailed),
        [=](TextOut& out) { text::ScanAnnotateSameFile(out, v); },
        fixed(text::kScanImageOpenFailed),
        fixed(text::kScanImageReadFailed),
        [=](TextOut& out) { text::ScanImageNoData(out, n); },
        [=](TextOut& out) { text::ScanImageFileTooLarge(out, n); },
        fixed(text::kScanImageUnknownKind),
        [=](TextOut& out) { text::ScanImageTooManyPixels(out, n, n, n); },
        fixed(text::kScanImageDecodeFailed),
        fixed(text::kReasonNotFound),
        fixed(text::kReasonAccessDenied),
        fixed(text::kReasonInUse),
        fixed(text::kReasonIsFolder),
        fixed(text::kReasonDiskFull),
        fixed(text::kRestoreDone),
        fixed(text::kRestoreSame),
        fixed(text::kRestoreNoBackup),
        fixed(text::kRestoreBackupUnreadable),
        // The command line's.
        fixed(text::kCliNotWritten),
        fixed(text::kCliFormatRefused),
        [=](TextOut& out) { text::CliSwapped(out, v); },
        fixed(text::kCliDryRun),
        fixed(text::kCliOutputFailed),
        [=](TextOut& out) { text::CliRunCheck(out, v); },
        [=](TextOut& out) { text::CliMoreWarnings(out, n, v); },
        [=](TextOut& out) { text::CliDiffCounts(out, n, n); },
        [=](TextOut& out) { text::CliHint(out, v, v); },
        [=](TextOut& out) { text::CliBadOffset(out, v); },
        [=](TextOut& out) { text::CliBadStart(out, v); },
        fixed(text::kCliMissingPaths),
        fixed(text::kCliMissingListing),
        fixed(text::kCliMissingImages),
        fixed(text::kCliMissingRestoreState),
        [=](TextOut& out) { text::CliExtraArgument(out, v); },
        [=](TextOut& out) { text::CliBadOption(out, v); },
        [=](TextOut& out) { text::CliMissingValue(out, v); },
        [=](TextOut& out) { text::CliPathTooLong(out, v); },
        fixed(text::kCliEmptyPath),
        [=](TextOut& out) { text::CliNotForCommand(out, v, v); },
        [=](TextOut& out) { text::CliNeedsOption(out, v, v); },
        [=](TextOut& out) { text::CliConflictingOptions(out, v, v); },
    };
}

// The longest run of the message's first line (in UTF-8) that holds no value.
std::string Key(const Write& write) {
    char sjis[kMessageSize];
    TextOut out(sjis, sizeof sjis);
    write(out);
    char utf8[3 * kMessageSize];
    platform::ToTerminalEncoding(sjis, utf8, sizeof utf8);
    std::string line = utf8;
    line = line.substr(0, line.find_first_of("\r\n"));
    for (const std::string& value : {std::string(kValue), std::string("987654321"),
                                     std::string("3ADE68B1"), std::string("-1")}) {
        for (std::size_t at; (at = line.find(value)) != std::string::npos;) {
            line.replace(at, value.size(), "\x02");
        }
    }
    std::string key;
    std::stringstream pieces(line);
    for (std::string piece; std::getline(pieces, piece, '\x02');) {
        key = piece.size() > key.size() ? piece : key;
    }
    return key;
}

// What the guide quotes in its list of messages: 「…」 at the start of a line.
std::vector<std::string> GuideQuotes() {
    std::ifstream guide(std::string(TSY_SOURCE_DIR) + "/docs/guide-ja.txt");
    std::vector<std::string> quotes;
    bool in_list = false;
    for (std::string line; std::getline(guide, line);) {
        if (line.rfind("■", 0) == 0) {
            in_list = line.find("メッセージと対処") != std::string::npos;
            continue;
        }
        const std::size_t end = line.find("」");
        if (in_list && line.rfind("「", 0) == 0 && end != std::string::npos) {
            quotes.push_back(line.substr(3, end - 3));
        }
    }
    return quotes;
}

TEST(Guide, ListsEveryMessageAndNoOther) {
    const std::vector<std::string> quotes = GuideQuotes();
    ASSERT_GT(quotes.size(), 50u);
    std::vector<std::string> keys;
    for (const Write& write : ProgramMessages()) {
        keys.push_back(Key(write));
        ASSERT_GT(keys.back().size(), 6u) << "a message whose first line is mostly values";
    }
    for (const std::string& key : keys) {
        const bool quoted = std::any_of(quotes.begin(), quotes.end(), [&](const std::string& q) {
            return q.find(key) != std::string::npos;
        });
        EXPECT_TRUE(quoted) << "the guide does not list [" << key << "]";
    }
    for (const std::string& quote : quotes) {
        const bool said = std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
            return quote.find(key) != std::string::npos;
        });
        EXPECT_TRUE(said) << "the program never says [" << quote << "]";
    }
}

}  // namespace
}  // namespace tsy
