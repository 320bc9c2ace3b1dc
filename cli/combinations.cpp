#include "cli/combinations.h"

#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

std::string Needs(const char* option, const char* needed) {
    char buffer[256];
    TextOut out(buffer, sizeof buffer);
    text::CliNeedsOption(out, option, needed);
    return buffer;
}

std::string Excludes(const char* option, const char* other) {
    char buffer[256];
    TextOut out(buffer, sizeof buffer);
    text::CliConflictingOptions(out, option, other);
    return buffer;
}

// The first listing option given, or null.
const char* ListingOptionGiven(const ListingOptions& listing) {
    if (!listing.checksum) {
        return "--no-checksum";
    }
    if (listing.address_sum) {
        return "--address-sum";
    }
    if (listing.lower_address_only) {
        return "--lower-address-only";
    }
    if (listing.ohmz_sum) {
        return "--ohmz";
    }
    if (listing.ohx_crc) {
        return "--ohx";
    }
    return nullptr;
}

}  // namespace

std::string CombinationError(const CliOptions& options) {
    const ListingOptions& listing = options.dump.listing;
    const char* listing_option = ListingOptionGiven(listing);
    if (options.detect && options.mode != Mode::Check) {
        return Needs("--detect", "check");
    }
    if (options.detect && listing_option != nullptr) {
        return Excludes(listing_option, "--detect");
    }
    if (!options.fix_path.empty() && options.mode != Mode::Check) {
        return Needs("--fix", "check");
    }
    if (!options.fix_path.empty() && options.detect) {
        return Excludes("--fix", "--detect");
    }
    if (options.dump.binary_mode) {
        if (listing_option != nullptr) {
            return Excludes(listing_option, "--binary");
        }
    } else {
        if (options.start_given) {
            return Needs("--start", "--binary");
        }
        if (options.dump.unix_text) {
            return Needs("--unix-text", "--binary");
        }
    }
    if (listing.lower_address_only && !listing.address_sum) {
        return Needs("--lower-address-only", "--address-sum");
    }
    return std::string();
}

}  // namespace tsy::cli
