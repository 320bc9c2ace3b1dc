// The edits of one line of the fixed listing, made on its text as the check
// read it: tokens found where the reader finds them (its address field,
// the kept windows of a data line, a SumLine's columns and total, a
// DashedLine's last four characters), and lines put in laid out as the data
// line beside them.
#include "proof/fix_edits.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "listing/tokens.h"
#include "proof/misreading.h"

namespace tsy::proof {
namespace {

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

// Whether the token `piece` begins with `digits`, in either case.
bool StartsWith(const std::string& text, Piece piece, const std::string& digits) {
    if (piece.length < digits.size()) {
        return false;
    }
    for (std::size_t i = 0; i < digits.size(); ++i) {
        char c = text[piece.at + i];
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (c != digits[i]) {
            return false;
        }
    }
    return true;
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

}  // namespace

bool ApplyEdit(const FixEdit& edit, const ListingOptions& options, std::string* text) {
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
            const Piece piece = windows[static_cast<std::size_t>(edit.index)];
            // A token the reader took by its last two characters that begins
            // with the byte left out holds both: the two are written apart.
            if (!options.ohmz_sum && piece.length > 2 && StartsWith(*text, piece, edit.text)) {
                const std::string window = text->substr(piece.at + piece.length - 2, 2);
                text->replace(piece.at, piece.length, edit.text + " " + window);
                return true;
            }
            // After the window before it, so that a ':' before the checksum
            // stays before it.
            if (edit.index > 0) {
                const Piece before = windows[static_cast<std::size_t>(edit.index) - 1];
                text->insert(before.at + before.length, " " + edit.text);
                return true;
            }
            text->insert(piece.at, edit.text + " ");
            return true;
        }
        default:
            return false;
    }
}

// Edits that change the line's text, in the order they are made: whole-line
// conversions first, then retyped tokens, then windows taken out or put in
// from the last.
int EditOrder(const FixEdit& edit) {
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
        ApplyEdit(field, options, &text);
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

}  // namespace tsy::proof
