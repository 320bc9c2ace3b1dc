// Four short listings in the generator's layouts, one per convention with
// sums, and the options each is read with: the scan tests plant misreadings
// in them.
#pragma once

#include <string>
#include <vector>

#include "listing/listing_options.h"

namespace tsy::scan::test {

inline const std::vector<std::string> kPlain = {
    "C000  21 00 D0 06 40 3E 41 77  2D", "C008  23 10 FC C9 00 00 00 00  F8",
    "C010  48 45 4C 4C 4F 2C 20 54  14", "C018  53 59 50 41 54 43 48 21  3D",
    "SUM  DF AE 68 5C E3 AD A9 EC 0876",
};
inline const std::vector<std::string> kAddressSum = {
    "C000  21 00 D0 06 40 3E 41 77  ED", "C008  23 10 FC C9 00 00 00 00  C0",
    "C010  48 45 4C 4C 4F 2C 20 54  E4", "C018  53 59 50 41 54 43 48 21  15",
    "SUM  DF AE 68 5C E3 AD A9 EC 0876",
};
inline const std::vector<std::string> kLowerAddress = {
    "C000  21 00 D0 06 40 3E 41 77  2D", "C008  23 10 FC C9 00 00 00 00  00",
    "C010  48 45 4C 4C 4F 2C 20 54  24", "C018  53 59 50 41 54 43 48 21  55",
    "SUM  DF AE 68 5C E3 AD A9 EC 0876",
};
inline const std::vector<std::string> kOhX = {
    "C000 : 21 00 D0 06 40 3E 41 77 : 2D", "C008 : 23 10 FC C9 00 00 00 00 : F8",
    "C010 : 48 45 4C 4C 4F 2C 20 54 : 14", "C018 : 53 59 50 41 54 43 48 21 : 3D",
    "SUM    DF AE 68 5C E3 AD A9 EC 7DE7",
};
inline const std::vector<std::string> kOhMz = {
    "C000 21 00 D0 06 40 3E 41 77 23 10 FC C9 00 00 00 00 (4.25)",
    "C010 48 45 4C 4C 4F 2C 20 54 53 59 50 41 54 43 48 21 (4.51)",
    "------------------------------ 0876",
};

inline ListingOptions Options(const std::string& convention) {
    ListingOptions options;
    options.address_sum = convention == "address-sum" || convention == "lower-address";
    options.lower_address_only = convention == "lower-address";
    options.ohmz_sum = convention == "ohmz";
    options.ohx_crc = convention == "ohx";
    return options;
}

}  // namespace tsy::scan::test
