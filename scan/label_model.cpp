#include "scan/label_model.h"

#include <algorithm>
#include <map>
#include <utility>

#include "listing/sums.h"
#include "resources/characters.h"

namespace tsy::scan {
namespace {

// A member's best reading counts fully in its unit's prior, each of its
// alternatives this much.
constexpr float kAlternativeVote = 0.5f;
// A digit none of a read unit's glyphs was read as keeps this much of the
// likeliest one's weight: the engine may misread a shape throughout.
constexpr float kUnreadDigit = 0.02f;
// A digit the engine offered for a glyph with at least this much of the
// likeliest one's weight. A glyph of no group is offered the character of
// each group it is nearly like enough to join, faintly where it is less
// like it (a dotted zero whose speckle kept it from the zeros' group, read
// by the engine as 6 or B): such a faint offer still counts.
constexpr float kOfferedDigit = 0.02f;

// Two groups whose mean shapes are this alike, and read alike, are of one
// family.
constexpr float kFamilyLikeness = 0.9f;

constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::uint32_t kOhMzSumMask = 0xFFF;
constexpr std::uint32_t kWordMask = 0xFFFF;

// Adds `place` x each character's digit of `field` (most significant
// first, `scale` times its place value) to `sum`.
void AddField(const std::vector<int>& units, std::uint32_t scale,
              std::map<int, std::uint32_t>* sum) {
    std::uint32_t place = scale;
    for (std::size_t i = units.size(); i-- > 0;) {
        (*sum)[units[i]] += place;
        place *= kDigits;
    }
}

void Subtract(const std::map<int, std::uint32_t>& part, std::map<int, std::uint32_t>* sum) {
    for (const auto& [unit, coefficient] : part) {
        (*sum)[unit] -= coefficient;
    }
}

Check MakeCheck(CheckKind kind, const std::map<int, std::uint32_t>& sum, std::uint32_t constant,
                std::uint32_t mask, int row) {
    Check check;
    check.kind = kind;
    check.mask = mask;
    check.constant = constant & mask;
    check.row = row;
    check.independent = kind == CheckKind::LineSum || kind == CheckKind::Column;
    for (const auto& [unit, coefficient] : sum) {
        if ((coefficient & mask) != 0) {
            check.terms.push_back(Term{unit, coefficient & mask});
        }
    }
    return check;
}

// The check of a block's total: every byte of the block's data rows, less
// the total printed in `total`, is nothing under `mask`.
Check TotalCheck(const std::vector<std::vector<std::vector<int>>>& block,
                 const std::vector<int>& total, std::uint32_t mask, int row) {
    std::map<int, std::uint32_t> sum;
    for (const auto& bytes : block) {
        for (const std::vector<int>& byte : bytes) {
            AddField(byte, 1, &sum);
        }
    }
    std::map<int, std::uint32_t> given;
    AddField(total, 1, &given);
    Subtract(given, &sum);
    return MakeCheck(CheckKind::Total, sum, 0, mask, row);
}

// The units of a data row: the address, the data bytes and the checksum.
struct DataUnits {
    std::vector<int> address;
    std::vector<std::vector<int>> bytes;
    std::vector<int> checksum;
    bool has_checksum = false;
};

DataUnits SplitDataRow(const std::vector<std::vector<int>>& fields, const ListingOptions& options) {
    DataUnits out;
    if (fields.empty()) {
        return out;
    }
    out.address = fields[0];
    std::size_t end = fields.size();
    if (options.checksum && end >= 3) {
        out.checksum = fields[end - 1];
        out.has_checksum = true;
        --end;
    }
    for (std::size_t f = 1; f < end; ++f) {
        out.bytes.push_back(fields[f]);
    }
    return out;
}

}  // namespace

LabelModel BuildLabelModel(const std::vector<ListingRow>& rows, const ListingOptions& options,
                           const std::vector<PageShapes>* shapes) {
    LabelModel model;
    std::map<std::pair<int, int>, int> groups;  // (page, shape) -> unit
    std::vector<std::array<float, kDigits>> votes;
    std::vector<int> offered;  // per unit: the one digit read so far, -1 none, -2 several
    for (const ListingRow& row : rows) {
        model.unit_of.emplace_back();
        for (const Field& field : row.fields) {
            model.unit_of.back().emplace_back();
            for (const CharSlot& slot : field.chars) {
                int unit = -1;
                if (slot.shape >= 0) {
                    const auto found = groups.find({row.page, slot.shape});
                    if (found != groups.end()) {
                        unit = found->second;
                    } else {
                        groups.emplace(std::make_pair(row.page, slot.shape),
                                       static_cast<int>(model.units.size()));
                    }
                }
                if (unit < 0) {
                    unit = static_cast<int>(model.units.size());
                    model.units.emplace_back();
                    votes.emplace_back();
                    offered.push_back(-1);
                }
                LabelUnit& u = model.units[static_cast<std::size_t>(unit)];
                ++u.members;
                int& once = offered[static_cast<std::size_t>(unit)];
                if (slot.choices.size() != 1) {
                    once = -2;
                }
                for (std::size_t k = 0; k < slot.choices.size(); ++k) {
                    const int digit = UpperHexDigitValue(slot.choices[k].character);
                    once = once == -1 || once == digit ? digit : -2;
                    if (digit >= 0) {
                        u.read = true;
                        votes[static_cast<std::size_t>(unit)][static_cast<std::size_t>(digit)] +=
                            std::max(slot.choices[k].confidence, 0.05f) *
                            (k == 0 ? 1.0f : kAlternativeVote);
                    }
                }
                model.unit_of.back().back().push_back(unit);
            }
        }
    }
    for (std::size_t u = 0; u < model.units.size(); ++u) {
        LabelUnit& unit = model.units[u];
        unit.sure = offered[u] >= 0 ? offered[u] : -1;
        const float top = *std::max_element(votes[u].begin(), votes[u].end());
        const bool group = unit.members >= kGroupMembers;
        unit.free = !group && !unit.read;
        for (int d = 0; d < kDigits; ++d) {
            const float vote = unit.read ? votes[u][static_cast<std::size_t>(d)] / top : 1.0f;
            unit.prior[static_cast<std::size_t>(d)] = std::max(vote, kUnreadDigit);
            unit.allowed[static_cast<std::size_t>(d)] =
                group || !unit.read || vote >= kOfferedDigit;
        }
    }

    model.families.resize(model.units.size());
    if (shapes != nullptr) {
        std::vector<std::pair<int, const Shape*>> known;  // unit, prototype
        for (const auto& [key, unit] : groups) {
            const std::size_t page = static_cast<std::size_t>(key.first);
            const std::size_t shape = static_cast<std::size_t>(key.second);
            if (page < shapes->size() && shape < (*shapes)[page].groups.size()) {
                known.emplace_back(unit, &(*shapes)[page].groups[shape].prototype);
            }
        }
        auto top = [&](int unit) {
            const LabelUnit& u = model.units[static_cast<std::size_t>(unit)];
            return u.read ? static_cast<int>(std::max_element(u.prior.begin(), u.prior.end()) -
                                             u.prior.begin())
                          : -1;
        };
        for (const auto& [a, shape_a] : known) {
            for (const auto& [b, shape_b] : known) {
                if (a != b && top(a) == top(b) && Likeness(*shape_a, *shape_b) >= kFamilyLikeness) {
                    model.families[static_cast<std::size_t>(a)].push_back(b);
                }
            }
        }
    }

    const std::uint32_t line_mask = options.ohmz_sum ? kOhMzSumMask : kByteMask;
    std::vector<std::vector<std::vector<int>>> block;  // the data rows' bytes since a check line
    const DataUnits* previous = nullptr;
    std::vector<DataUnits> data(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r);
        const auto& fields = model.unit_of[r];
        switch (rows[r].kind) {
            case RowKind::Data: {
                data[r] = SplitDataRow(fields, options);
                const DataUnits& d = data[r];
                if (d.address.size() == 4 && previous != nullptr && previous->address.size() == 4) {
                    // This address less the one before is the bytes of that row.
                    std::map<int, std::uint32_t> step;
                    AddField(d.address, 1, &step);
                    std::map<int, std::uint32_t> before;
                    AddField(previous->address, 1, &before);
                    Subtract(before, &step);
                    const std::uint32_t count = static_cast<std::uint32_t>(previous->bytes.size());
                    model.checks.push_back(
                        MakeCheck(CheckKind::Step, step, 0u - count, kWordMask, row));
                }
                if (d.address.size() == 4) {
                    previous = &d;
                }
                if (d.has_checksum) {
                    std::map<int, std::uint32_t> sum;
                    for (const std::vector<int>& byte : d.bytes) {
                        AddField(byte, 1, &sum);
                    }
                    if (options.address_sum && d.address.size() == 4) {
                        // The address bytes: its high byte (unless only the
                        // low one counts) and its low byte.
                        const std::vector<int> high(d.address.begin(), d.address.begin() + 2);
                        const std::vector<int> low(d.address.begin() + 2, d.address.end());
                        if (!options.lower_address_only) {
                            AddField(high, 1, &sum);
                        }
                        AddField(low, 1, &sum);
                    }
                    std::map<int, std::uint32_t> given;
                    AddField(d.checksum, 1, &given);
                    Subtract(given, &sum);
                    model.checks.push_back(MakeCheck(CheckKind::LineSum, sum, 0, line_mask, row));
                }
                block.push_back(d.bytes);
                break;
            }
            case RowKind::Sum: {
                // A SUM line with fewer column sums than its rows have bytes
                // lost some in the layout: which sum is which column's is
                // not known, so only its total (or CRC) is a check.
                std::size_t columns = fields.empty() ? 0 : fields.size() - 1;
                std::size_t widest = 0;
                for (const auto& bytes : block) {
                    widest = std::max(widest, bytes.size());
                }
                columns = columns < widest ? 0 : columns;
                for (std::size_t c = 0; c < columns && c < static_cast<std::size_t>(kColumnCount);
                     ++c) {
                    std::map<int, std::uint32_t> sum;
                    bool any = false;
                    for (const auto& bytes : block) {
                        if (c < bytes.size()) {
                            AddField(bytes[c], 1, &sum);
                            any = true;
                        }
                    }
                    if (any && fields[c].size() == 2) {
                        std::map<int, std::uint32_t> given;
                        AddField(fields[c], 1, &given);
                        Subtract(given, &sum);
                        model.checks.push_back(
                            MakeCheck(CheckKind::Column, sum, 0, kByteMask, row));
                    }
                }
                if (!fields.empty() && options.ohx_crc && fields.back().size() == 4) {
                    Check crc;
                    crc.kind = CheckKind::Crc;
                    crc.row = row;
                    for (const auto& bytes : block) {
                        for (const std::vector<int>& byte : bytes) {
                            if (byte.size() == 2) {
                                crc.bytes.push_back({byte[0], byte[1]});
                            }
                        }
                    }
                    for (std::size_t i = 0; i < 4; ++i) {
                        crc.crc[i] = fields.back()[i];
                    }
                    model.checks.push_back(crc);
                } else if (!fields.empty() && !options.ohx_crc) {
                    const std::uint32_t mask = fields.back().size() >= 4 ? kWordMask : kByteMask;
                    model.checks.push_back(TotalCheck(block, fields.back(), mask, row));
                }
                block.clear();
                break;
            }
            case RowKind::Dashed: {
                if (!fields.empty() && !fields.back().empty()) {
                    model.checks.push_back(TotalCheck(block, fields.back(), kWordMask, row));
                }
                block.clear();
                break;
            }
        }
    }
    model.checks_of.resize(model.units.size());
    for (std::size_t c = 0; c < model.checks.size(); ++c) {
        const Check& check = model.checks[c];
        std::vector<int> units;
        for (const Term& term : check.terms) {
            units.push_back(term.unit);
        }
        for (const auto& byte : check.bytes) {
            units.insert(units.end(), byte.begin(), byte.end());
        }
        if (check.kind == CheckKind::Crc) {
            units.insert(units.end(), check.crc.begin(), check.crc.end());
        }
        std::sort(units.begin(), units.end());
        units.erase(std::unique(units.begin(), units.end()), units.end());
        for (int unit : units) {
            model.checks_of[static_cast<std::size_t>(unit)].push_back(static_cast<int>(c));
        }
    }
    return model;
}

bool CheckHolds(const Check& check, const std::vector<int>& digits) {
    auto digit = [&digits](int unit) {
        return static_cast<std::uint32_t>(digits[static_cast<std::size_t>(unit)]);
    };
    if (check.kind == CheckKind::Crc) {
        std::uint16_t crc = 0;
        for (const auto& byte : check.bytes) {
            crc =
                CrcByte(crc, static_cast<std::uint8_t>(digit(byte[0]) * kDigits + digit(byte[1])));
        }
        std::uint32_t given = 0;
        for (int unit : check.crc) {
            given = given * kDigits + digit(unit);
        }
        return given == crc;
    }
    std::uint32_t sum = check.constant;
    for (const Term& term : check.terms) {
        sum += term.coefficient * digit(term.unit);
    }
    return (sum & check.mask) == 0;
}

}  // namespace tsy::scan
