#include "cli/combinations.h"

#include "cli/option_table.h"
#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

std::string Needs(OptionId option, OptionId needed) {
    const std::string a = OptionName(option);
    const std::string b = OptionName(needed);
    return Written([&](TextOut& out) { text::CliNeedsOption(out, a.c_str(), b.c_str()); });
}

std::string Excludes(OptionId option, OptionId other) {
    const std::string a = OptionName(option);
    const std::string b = OptionName(other);
    return Written([&](TextOut& out) { text::CliConflictingOptions(out, a.c_str(), b.c_str()); });
}

// Whether a listing option was given, and the first one given.
bool ListingOptionGiven(const ListingOptions& listing, OptionId* given) {
    const struct {
        bool set;
        OptionId id;
    } options[] = {
        {!listing.checksum, OptionId::NoChecksum},
        {listing.address_sum, OptionId::AddressSum},
        {listing.lower_address_only, OptionId::LowerAddressOnly},
        {listing.ohmz_sum, OptionId::OhMz},
        {listing.ohx_crc, OptionId::OhX},
    };
    for (const auto& option : options) {
        if (option.set) {
            *given = option.id;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string CombinationError(const CliOptions& options) {
    const ListingOptions& listing = options.dump.listing;
    OptionId listing_option = OptionId::NoChecksum;
    const bool listing_given = ListingOptionGiven(listing, &listing_option);
    if (options.detect && listing_given) {
        return Excludes(listing_option, OptionId::Detect);
    }
    if (!options.fix_path.empty() && options.detect) {
        return Excludes(OptionId::Fix, OptionId::Detect);
    }
    if (options.dump.binary_mode) {
        if (listing_given) {
            return Excludes(listing_option, OptionId::Binary);
        }
    } else {
        if (options.start_given) {
            return Needs(OptionId::Start, OptionId::Binary);
        }
        if (options.dump.unix_text) {
            return Needs(OptionId::UnixText, OptionId::Binary);
        }
    }
    if (listing.lower_address_only && !listing.address_sum) {
        return Needs(OptionId::LowerAddressOnly, OptionId::AddressSum);
    }
    return std::string();
}

}  // namespace tsy::cli
