// The five listing options of an apply.
#pragma once

namespace tsy {

struct ListingOptions {
    bool checksum = true;             // Checksum
    bool address_sum = false;         // AddressSum
    bool lower_address_only = false;  // LowerAddressOnly
    bool ohmz_sum = false;            // OhMzSum
    bool ohx_crc = false;             // OhXCrc
};

}  // namespace tsy
