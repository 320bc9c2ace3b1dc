// One line's edits for the fixed listing (fix_edits.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listing/listing_options.h"
#include "proof/fix.h"

namespace tsy::proof {

// Makes one edit of the line's text (without its line end); false when it
// does not fit the line.
bool ApplyEdit(const FixEdit& edit, const ListingOptions& options, std::string* text);

// The order edits of one line are made in: whole-line conversions first,
// then retyped tokens, then windows taken out or put in from the last.
int EditOrder(const FixEdit& edit);

// A line of `address` and `bytes` laid out as the data line `model` is (the
// convention's standard layout when it has another length).
std::string RebuiltLine(const std::string& model, const ListingOptions& options,
                        std::uint32_t address, const std::vector<std::uint8_t>& bytes);

}  // namespace tsy::proof
