// Option combinations the dialog's enable rules make impossible: listing
// options with a binary dump, a binary dump's options with a listing,
// LowerAddressOnly without AddressSum, --detect with a convention chosen.
#pragma once

#include <string>

#include "cli/options.h"

namespace tsy::cli {

// The usage error (Shift-JIS) of the first impossible combination in
// `options`, naming the option and the one it needs or excludes; empty when
// there is none.
std::string CombinationError(const CliOptions& options);

}  // namespace tsy::cli
