// The fixed listing written: the listing copied line by line (physical
// lines, their line ends kept), each edit made on the line it names; lines
// put in are laid out as the data line beside them is.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "listing/line_source.h"
#include "listing/tokens.h"
#include "proof/block.h"
#include "proof/fix.h"
#include "proof/misreading.h"

namespace tsy::proof {
namespace {

constexpr std::size_t kChunk = 16384;
constexpr char kEndOfText = 0x1A;

// Physical lines of a listing as bytes: each with its line feed, the last
// without; after a 0x1A byte, everything left as one piece.
class PhysicalLines {
  public:
    explicit PhysicalLines(ByteSource& bytes) : bytes_(bytes) {}

    // The next line into `line`; false at the end. `rest` is set for the
    // piece from a 0x1A byte on.
    bool Next(std::string* line, bool* rest) {
        line->clear();
        *rest = ended_text_;
        for (;;) {
            if (at_ == filled_) {
                std::size_t got = 0;
                if (!bytes_.Read(buffer_, kChunk, &got)) {
                    failed_ = true;
                    got = 0;
                }
                at_ = 0;
                filled_ = got;
                if (got == 0) {
                    return !line->empty();
                }
            }
            const unsigned char* start = buffer_ + at_;
            const std::size_t left = filled_ - at_;
            if (ended_text_) {
                line->append(reinterpret_cast<const char*>(start), left);
                at_ = filled_;
                continue;
            }
            const void* feed = std::memchr(start, '\n', left);
            const void* eot = std::memchr(start, kEndOfText, left);
            if (eot != nullptr && (feed == nullptr || eot < feed)) {
                // The line ends before the 0x1A; the rest is copied as it is.
                const std::size_t n =
                    static_cast<std::size_t>(static_cast<const unsigned char*>(eot) - start);
                line->append(reinterpret_cast<const char*>(start), n);
                at_ += n;
                ended_text_ = true;
                return true;
            }
            if (feed != nullptr) {
                const std::size_t n =
                    static_cast<std::size_t>(static_cast<const unsigned char*>(feed) - start) + 1;
                line->append(reinterpret_cast<const char*>(start), n);
                at_ += n;
                return true;
            }
            line->append(reinterpret_cast<const char*>(start), left);
            at_ = filled_;
        }
    }
    bool Failed() const { return failed_; }

  private:
    ByteSource& bytes_;
    unsigned char buffer_[kChunk];
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    bool ended_text_ = false;
    bool failed_ = false;
};

struct Piece {
    std::size_t at = 0;
    std::size_t length = 0;
};

std::vector<Piece> Split(const std::string& text) {
    std::vector<Piece> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') {
            ++i;
        }
        if (i > start) {
            tokens.push_back({start, i - start});
        }
    }
    return tokens;
}

// The tokens behind a data line's kept windows (after its address field).
std::vector<Piece> Windows(const std::string& text, const ListingOptions& options) {
    std::vector<Piece> windows;
    const std::vector<Piece> tokens = Split(text);
    for (std::size_t t = 1; t < tokens.size() && windows.size() < kMaxWindows; ++t) {
        char upper[kLineBufferSize];
        const std::size_t n = UpperCaseLine(text.data() + tokens[t].at, tokens[t].length, upper);
        if (options.ohx_crc && MakeTokenWindow(Token{upper, n}, options.ohmz_sum).text[0] == ':') {
            continue;
        }
        windows.push_back(tokens[t]);
    }
    return windows;
}

// Data window `index` of a data line (-1 its checksum); false when none.
bool WindowPiece(const std::string& text, const ListingOptions& options, int index, Piece* piece) {
    const std::vector<Piece> windows = Windows(text, options);
    const int data =
        options.checksum ? static_cast<int>(windows.size()) - 1 : static_cast<int>(windows.size());
    if (index < 0) {
        if (!options.checksum || windows.empty()) {
            return false;
        }
        index = data;
    } else if (index > data || (index == data && options.checksum)) {
        return false;
    }
    if (index >= static_cast<int>(windows.size())) {
        return false;
    }
    *piece = windows[static_cast<std::size_t>(index)];
    return true;
}

// Writes `digits` over the window of the token `piece`.
void OverWindow(std::string* text, Piece piece, const std::string& digits, bool ohmz) {
    if (piece.length <= 2 || digits.size() > 3) {
        text->replace(piece.at, piece.length, digits);
        return;
    }
    if (!ohmz) {
        text->replace(piece.at + piece.length - 2, 2, digits.substr(digits.size() - 2));
        return;
    }
    // Positions 2, 4 and 5 of ?h.hh?.
    const std::size_t at[3] = {1, 3, 4};
    const std::string d = std::string(3 - std::min<std::size_t>(3, digits.size()), '0') + digits;
    for (int i = 0; i < 3; ++i) {
        if (at[i] < piece.length) {
            (*text)[piece.at + at[i]] = d[static_cast<std::size_t>(i)];
        }
    }
}

bool IsDashed(const std::string& text) {
    return text.size() >= 30 && text.compare(0, 30, std::string(30, '-')) == 0;
}

// The total or CRC token of a SumLine: the token after its columns.
bool TotalPiece(const std::string& text, Piece* piece) {
    const std::vector<Piece> tokens = Split(text);
    std::size_t columns = 0;
    for (std::size_t t = 1; t < tokens.size(); ++t) {
        columns += tokens[t].length == 2 ? 1 : 0;
    }
    if (columns + 1 >= tokens.size()) {
        return false;
    }
    *piece = tokens[columns + 1];
    return true;
}

// Makes one edit of the line's text; false when it does not fit the line.
bool Apply(const FixEdit& edit, const ListingOptions& options, std::string* text) {
    switch (edit.kind) {
        case FixEditKind::HalfWidth: {
            char half[kLineBufferSize];
            std::uint16_t from[kLineBufferSize];
            const std::size_t n = HalfWidthLine(text->data(), text->size(), half, from);
            if (n > 0) {
                text->assign(half, n);
            }
            return true;
        }
        case FixEditKind::Field: {
            std::size_t start = 0;
            while (start < text->size() && (*text)[start] == ' ') {
                ++start;
            }
            std::size_t end = start;
            while (end < text->size() && (*text)[end] != ' ') {
                ++end;
            }
            if (end > start && (*text)[end - 1] == ':') {
                --end;
            }
            text->replace(start, end - start, edit.text);
            text->erase(0, start);
            return true;
        }
        case FixEditKind::Token: {
            const std::vector<Piece> tokens = Split(*text);
            if (edit.index < 0 || edit.index >= static_cast<int>(tokens.size())) {
                return false;
            }
            const Piece& token = tokens[static_cast<std::size_t>(edit.index)];
            text->replace(token.at, token.length, edit.text);
            return true;
        }
        case FixEditKind::Window: {
            Piece piece;
            if (!WindowPiece(*text, options, edit.index, &piece)) {
                return false;
            }
            if (edit.whole) {
                text->replace(piece.at, piece.length, edit.text);
            } else {
                OverWindow(text, piece, edit.text, options.ohmz_sum);
            }
            return true;
        }
        case FixEditKind::Total: {
            if (IsDashed(*text)) {
                if (edit.whole) {
                    const std::vector<Piece> tokens = Split(*text);
                    text->replace(tokens.back().at, tokens.back().length, edit.text);
                } else if (text->size() >= 4) {
                    text->replace(text->size() - 4, 4, edit.text);
                }
                return true;
            }
            Piece piece;
            if (!TotalPiece(*text, &piece)) {
                return false;
            }
            if (edit.whole || piece.length <= edit.text.size()) {
                text->replace(piece.at, piece.length, edit.text);
            } else {
                text->replace(piece.at + piece.length - edit.text.size(), edit.text.size(),
                              edit.text);
            }
            return true;
        }
        case FixEditKind::Crc: {
            Piece piece;
            if (!TotalPiece(*text, &piece)) {
                return false;
            }
            text->replace(piece.at, std::min<std::size_t>(4, piece.length), edit.text);
            return true;
        }
        case FixEditKind::DropWindow: {
            Piece piece;
            if (!WindowPiece(*text, options, edit.index, &piece)) {
                return false;
            }
            const std::size_t start =
                piece.at > 0 && (*text)[piece.at - 1] == ' ' ? piece.at - 1 : piece.at;
            text->erase(start, piece.at + piece.length - start);
            return true;
        }
        case FixEditKind::AddWindow: {
            const std::vector<Piece> windows = Windows(*text, options);
            if (edit.index < 0 || edit.index >= static_cast<int>(windows.size())) {
                return false;
            }
            text->insert(windows[static_cast<std::size_t>(edit.index)].at, edit.text + " ");
            return true;
        }
        default:
            return false;
    }
}

// Edits that change the line's text, in the order they are made: whole-line
// conversions first, then retyped tokens, then windows taken out or put in
// from the last.
int Order(const FixEdit& edit) {
    switch (edit.kind) {
        case FixEditKind::HalfWidth:
            return 0;
        case FixEditKind::Field:
            return 1;
        case FixEditKind::DropWindow:
        case FixEditKind::AddWindow:
            return 3;
        default:
            return 2;
    }
}

// A line of `address` and `bytes` laid out as the data line `model` is (the
// standard layout of the convention when it has another length).
std::string RebuiltLine(const std::string& model, const ListingOptions& options,
                        std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    char hex[8];
    std::uint32_t sum = 0;
    for (const std::uint8_t b : bytes) {
        sum += b;
    }
    if (options.address_sum) {
        sum += (address & 0xFFu) + (options.lower_address_only ? 0u : address >> 8);
    }
    sum &= options.ohmz_sum ? 0xFFFu : 0xFFu;
    std::string text = model;
    const std::vector<Piece> windows = Windows(text, options);
    const std::size_t count =
        options.checksum ? windows.size() - (windows.empty() ? 0 : 1) : windows.size();
    if (!text.empty() && count == bytes.size()) {
        std::snprintf(hex, sizeof hex, options.ohmz_sum ? "%03X" : "%02X",
                      static_cast<unsigned>(sum));
        if (options.checksum) {
            OverWindow(&text, windows.back(), hex, options.ohmz_sum);
        }
        for (std::size_t k = bytes.size(); k-- > 0;) {
            std::snprintf(hex, sizeof hex, "%02X", bytes[k]);
            OverWindow(&text, windows[k], hex, options.ohmz_sum);
        }
        FixEdit field;
        field.kind = FixEditKind::Field;
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(address));
        field.text = hex;
        Apply(field, options, &text);
        return text;
    }
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(address));
    text = hex;
    text += options.ohx_crc ? " :" : "";
    for (const std::uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        text += hex;
    }
    if (options.checksum) {
        if (options.ohmz_sum) {
            std::snprintf(hex, sizeof hex, " (%X.%02X)", static_cast<unsigned>(sum >> 8),
                          static_cast<unsigned>(sum & 0xFFu));
        } else {
            std::snprintf(hex, sizeof hex, options.ohx_crc ? " : %02X" : " %02X",
                          static_cast<unsigned>(sum));
        }
        text += hex;
    }
    return text;
}

// The line's end (its line feed and a carriage return before it).
std::size_t EndLength(const std::string& line) {
    if (!line.empty() && line.back() == '\n') {
        return line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1;
    }
    return 0;
}

}  // namespace

FixResult WriteFixedListing(ByteSource& listing, ByteSource& again, const ListingOptions& options,
                            const FixPlan& plan, ByteSink* out) {
    FixResult result;
    const std::vector<FixEdit>& edits = plan.Edits();
    std::vector<bool> done(edits.size(), false);
    std::vector<bool> failed(edits.size(), false);
    // Lines moved to before where they stand, read first.
    std::map<std::uint32_t, std::string> ahead;
    for (const FixEdit& edit : edits) {
        if ((edit.kind == FixEditKind::MoveBefore || edit.kind == FixEditKind::MoveAfter ||
             edit.kind == FixEditKind::Swap) &&
            edit.other > edit.line) {
            ahead[edit.other];
        }
    }
    if (!ahead.empty()) {
        PhysicalLines lines(again);
        std::string line;
        bool rest = false;
        for (std::uint32_t n = 1; lines.Next(&line, &rest) && !rest; ++n) {
            const auto found = ahead.find(n);
            if (found != ahead.end()) {
                found->second = line;
            }
        }
        result.read_failed = lines.Failed();
    }
    std::map<std::uint32_t, std::string> behind;  // lines kept to be written later
    PhysicalLines lines(listing);
    std::string line;
    std::string model;  // the last data line, for the layout of a line put in
    bool rest = false;
    bool ok = true;
    auto write = [&](const std::string& bytes) {
        ok = ok && out->Write(bytes.data(), bytes.size());
    };
    for (std::uint32_t n = 1; lines.Next(&line, &rest); ++n) {
        if (rest) {
            write(line);
            continue;
        }
        const std::size_t end = EndLength(line);
        const std::string ending = line.substr(line.size() - end);
        std::string text = line.substr(0, line.size() - end);
        const bool editable = text.size() <= kMaxLineLength && text.find('\r') == std::string::npos;
        const bool data =
            text.size() >= 4 && std::all_of(text.begin(), text.begin() + 4, [](char c) {
                return IsUpperHexDigit(static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c));
            });
        if (data && editable) {
            model = text;
        }
        // What comes before the line.
        for (std::size_t e = 0; e < edits.size(); ++e) {
            const FixEdit& edit = edits[e];
            if (edit.line != n) {
                continue;
            }
            if (edit.kind == FixEditKind::InsertBefore) {
                write(RebuiltLine(data ? text : model, options, edit.address, edit.bytes) +
                      (ending.empty() ? "\n" : ending));
                done[e] = true;
            } else if (edit.kind == FixEditKind::MoveBefore) {
                auto& store = edit.other > n ? ahead : behind;
                const auto moved = store.find(edit.other);
                if (moved != store.end() && !moved->second.empty()) {
                    std::string bytes = moved->second;
                    if (EndLength(bytes) == 0) {
                        bytes += ending.empty() ? "\n" : ending;
                    }
                    write(bytes);
                    done[e] = true;
                } else {
                    failed[e] = true;
                }
            }
        }
        // The line itself: moved, taken out, swapped, or edited.
        bool skip = false;
        for (std::size_t e = 0; e < edits.size(); ++e) {
            const FixEdit& edit = edits[e];
            if ((edit.kind == FixEditKind::MoveBefore || edit.kind == FixEditKind::MoveAfter) &&
                edit.other == n) {
                if (edit.line >= n) {
                    behind[n] = line;  // written where it belongs
                }
                skip = true;
            } else if (edit.kind == FixEditKind::Delete && edit.line == n) {
                skip = true;
                done[e] = true;
            } else if (edit.kind == FixEditKind::Swap && (edit.line == n || edit.other == n)) {
                const std::uint32_t partner = edit.line == n ? edit.other : edit.line;
                if (partner > n) {
                    behind[n] = line;
                    const auto found = ahead.find(partner);
                    write(found != ahead.end() ? found->second : line);
                } else {
                    const auto found = behind.find(partner);
                    write(found != behind.end() ? found->second : line);
                    done[e] = found != behind.end();
                }
                skip = true;
            }
        }
        if (skip) {
            continue;
        }
        std::vector<std::size_t> mine;
        for (std::size_t e = 0; e < edits.size(); ++e) {
            if (edits[e].line == n && edits[e].kind != FixEditKind::InsertBefore &&
                edits[e].kind != FixEditKind::MoveBefore &&
                edits[e].kind != FixEditKind::MoveAfter && edits[e].kind != FixEditKind::Delete &&
                edits[e].kind != FixEditKind::Swap) {
                mine.push_back(e);
            }
        }
        std::stable_sort(mine.begin(), mine.end(), [&](std::size_t a, std::size_t b) {
            if (Order(edits[a]) != Order(edits[b])) {
                return Order(edits[a]) < Order(edits[b]);
            }
            return Order(edits[a]) == 3 && edits[a].index > edits[b].index;
        });
        for (const std::size_t e : mine) {
            if (editable && Apply(edits[e], options, &text)) {
                done[e] = true;
            } else {
                failed[e] = true;
            }
        }
        write(text + ending);
        // What comes after the line.
        for (std::size_t e = 0; e < edits.size(); ++e) {
            const FixEdit& edit = edits[e];
            if (edit.line != n || edit.kind != FixEditKind::MoveAfter) {
                continue;
            }
            auto& store = edit.other > n ? ahead : behind;
            const auto moved = store.find(edit.other);
            if (moved != store.end() && !moved->second.empty()) {
                std::string bytes = moved->second;
                if (EndLength(bytes) == 0) {
                    bytes += ending.empty() ? "\n" : ending;
                }
                if (ending.empty()) {
                    write("\n");
                }
                write(bytes);
                done[e] = true;
            } else {
                failed[e] = true;
            }
        }
    }
    result.read_failed = result.read_failed || lines.Failed();
    result.write_failed = !ok;
    const std::vector<Correction>& corrections = plan.Corrections();
    result.made.assign(corrections.size(), false);
    std::vector<int> edit_count(corrections.size(), 0);
    std::vector<bool> all(corrections.size(), true);
    for (std::size_t e = 0; e < edits.size(); ++e) {
        const int c = edits[e].correction;
        ++edit_count[static_cast<std::size_t>(c)];
        all[static_cast<std::size_t>(c)] =
            all[static_cast<std::size_t>(c)] && done[e] && !failed[e];
    }
    for (std::size_t c = 0; c < corrections.size(); ++c) {
        result.made[c] = edit_count[c] > 0 && all[c];
        const Diagnosis& d = corrections[c].finding.diagnoses[0];
        if (edit_count[c] == 0 &&
            (d.kind == DiagnosisKind::StrayLine || d.kind == DiagnosisKind::MovedLine)) {
            // Made when another correction moved the line where it belongs.
            for (std::size_t e = 0; e < edits.size(); ++e) {
                result.made[c] = result.made[c] || ((edits[e].kind == FixEditKind::MoveBefore ||
                                                     edits[e].kind == FixEditKind::MoveAfter) &&
                                                    edits[e].other == d.line_number && done[e]);
            }
        }
    }
    return result;
}

}  // namespace tsy::proof
