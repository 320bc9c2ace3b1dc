// The diagnosis of one block: its puzzle explained, and each mistake of the
// explanations named on the findings it concerns.
#pragma once

#include "listing/listing_options.h"
#include "proof/block.h"
#include "proof/puzzle.h"

namespace tsy::proof {

// Puts the diagnoses the block's sums and addresses support on its waiting
// findings and on `check`, the finding of the check line that ends it (null
// when that line was accepted, or none ended the block). `links` carries
// the rows that blocks leave loose to the blocks after them.
void DiagnoseBlock(const ListingOptions& options, const CheckGiven& given, BlockRecord* block,
                   Finding* check, BlockLinks* links);

}  // namespace tsy::proof
