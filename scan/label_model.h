// The listing as a puzzle of unknown digits. Each glyph of a field belongs
// to a unit: its shape group (every glyph of one shape on a page is one
// character), or a unit of its own. Each unit's digit is an unknown, from 0
// to 15; the listing's sums are equations on them: a row's line checksum,
// a step from one address to the next, a SUM line's columns and total, an
// Oh!MZ dashed total are each a sum of digits times place values, equal to
// nothing modulo a power of two, and an Oh!X CRC is a function of its
// block's bytes. The engine's readings of a unit's glyphs are its prior.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "listing/listing_options.h"
#include "scan/layout.h"
#include "scan/shapes.h"

namespace tsy::scan {

constexpr int kDigits = 16;
// A unit of fewer glyphs than this is held to the engine's readings, or,
// unread, free.
constexpr int kGroupMembers = 3;

struct LabelUnit {
    int members = 0;
    // How likely each digit is by the engine's readings, the likeliest 1;
    // all 1 where nothing was read.
    std::array<float, kDigits> prior{};
    bool read = false;  // any member was read by the engine
    // The digit every member was read as, none other offered; -1 if none.
    int sure = -1;
    // The digits it may be: any for a shape group of several glyphs (its
    // character is one decision the sums can take), only those the engine
    // offered for a glyph of its own or two that it read (few sums hold it,
    // and a digit free to be anything could meet them by chance).
    std::array<bool, kDigits> allowed{};
    // A glyph of its own or two that the engine did not read: its digit is
    // free, and meets any one check by itself.
    bool free = false;
};

enum class CheckKind { LineSum, Step, Column, Total, Crc };

struct Term {
    int unit = 0;
    std::uint32_t coefficient = 0;  // modulo the check's modulus, never 0
};

// Sum of coefficient x digit over the terms, plus `constant`, is 0 modulo
// `mask` + 1 (a power of two). A Crc check instead holds when the CRC of
// `bytes` (two units each, high digit first) reads as its four `crc` units.
struct Check {
    CheckKind kind = CheckKind::LineSum;
    std::vector<Term> terms;
    std::uint32_t constant = 0;
    std::uint32_t mask = 0;
    std::vector<std::array<int, 2>> bytes;
    std::array<int, 4> crc{};
    int row = 0;  // the row it belongs to (a check line's own row)
    // Whether it tells a unit's digit apart from every other one: an
    // address step holds for any digits that step alike, and a total adds
    // little to the line checksums or columns it is the sum of.
    bool independent = true;
};

struct LabelModel {
    std::vector<LabelUnit> units;
    // Units of shapes alike, read alike by the engine where it read them:
    // most likely one character over-split into groups, tried together.
    std::vector<std::vector<int>> families;  // per unit: the others of its family
    std::vector<Check> checks;
    // The unit of each character: [row][field][character].
    std::vector<std::vector<std::vector<int>>> unit_of;
    // The checks each unit appears in.
    std::vector<std::vector<int>> checks_of;
};

// The units and checks of `rows`. Glyphs of one page's shape group share a
// unit; every other character has one of its own. With `shapes` (the
// groups of each page), units of alike shapes form families.
LabelModel BuildLabelModel(const std::vector<ListingRow>& rows, const ListingOptions& options,
                           const std::vector<PageShapes>* shapes = nullptr);

// Whether `check` holds with every unit of it at `digits[unit]` (0 to 15).
bool CheckHolds(const Check& check, const std::vector<int>& digits);

}  // namespace tsy::scan
