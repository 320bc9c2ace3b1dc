// The pages of one listing put in address order, whatever order they were
// handed over in: a listing split over several images is joined as printed,
// so that a block cut between two pages is read as one block under its sums.
#pragma once

#include <vector>

#include "listing/listing_options.h"
#include "scan/layout.h"

namespace tsy::scan {

// The pages of `rows` (each page's rows together, as ArrangeListing gives
// them), by their numbers, in the order of the lowest address each shows
// for sure: one that the data row after it on the page continues (on a
// page where none does, the lowest address read). Pages that show the same
// keep their order; where any page shows no address at all, the order they
// are in is kept whole, as nothing tells where that page belongs.
std::vector<int> PageOrder(const std::vector<ListingRow>& rows, const ListingOptions& options);

// `rows` with its pages in `order` (by their numbers, as PageOrder gives).
std::vector<ListingRow> WithPagesInOrder(std::vector<ListingRow> rows,
                                         const std::vector<int>& order);

}  // namespace tsy::scan
