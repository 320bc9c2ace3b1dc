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
#include "proof/fix_edits.h"
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
            if (EditOrder(edits[a]) != EditOrder(edits[b])) {
                return EditOrder(edits[a]) < EditOrder(edits[b]);
            }
            return EditOrder(edits[a]) == 3 && edits[a].index > edits[b].index;
        });
        for (const std::size_t e : mine) {
            if (editable && ApplyEdit(edits[e], options, &text)) {
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
