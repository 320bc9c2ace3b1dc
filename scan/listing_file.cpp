#include "scan/listing_file.h"

#include "platform/platform.h"

namespace tsy::scan {
namespace {

// The `number`th name for the listing of `image_path`: IMAGE.txt first,
// then "IMAGE (2).txt".
std::string NameFor(const char* image_path, int number) {
    std::string name = image_path;
    if (number > 1) {
        name += " (" + std::to_string(number) + ")";
    }
    return name + ".txt";
}

bool WriteAll(platform::FileHandle file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::uint32_t wrote = platform::WriteOnce(
            file, bytes.data() + done, static_cast<std::uint32_t>(bytes.size() - done));
        if (wrote == 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

// Whether the regular file at `path` holds exactly `bytes`.
bool Holds(const std::string& path, const std::string& bytes) {
    const platform::FileHandle file =
        platform::OpenForReading(path.c_str(), platform::OpenWait::Never);
    if (file == platform::kNoFile) {
        return false;
    }
    platform::FileInfo info;
    bool same = platform::Identify(file, &info) && info.kind == platform::FileKind::Regular &&
                info.size == bytes.size();
    std::string held;
    char buffer[4096];
    std::uint32_t got = 0;
    while (same && platform::ReadSome(file, buffer, sizeof buffer, &got) && got > 0 &&
           held.size() + got <= bytes.size()) {
        held.append(buffer, got);
    }
    platform::Close(file);
    return same && held == bytes;
}

}  // namespace

ListingFile WriteListingBeside(const char* image_path, const Decoding& decoding,
                               std::size_t path_capacity) {
    std::string text;
    for (const DecodedRow& row : decoding.rows) {
        text += row.text;
        text += "\r\n";
    }
    ListingFile result;
    for (int number = 1; number <= kListingNames; ++number) {
        const std::string name = NameFor(image_path, number);
        if (name.size() >= path_capacity) {
            return result;
        }
        platform::FileInfo info;
        if (!platform::InspectPath(name.c_str(), &info) ||
            info.kind != platform::FileKind::Missing) {
            if (info.kind == platform::FileKind::Regular && !info.is_link && Holds(name, text)) {
                result.written = true;  // the same listing, from a read before
                result.path = name;
                return result;
            }
            continue;  // taken, or nothing can be said of it: never written over
        }
        const platform::FileHandle file = platform::CreateExclusive(name.c_str());
        if (file == platform::kNoFile) {
            const std::uint32_t error = platform::LastError();
            if (platform::InspectPath(name.c_str(), &info) &&
                info.kind != platform::FileKind::Missing) {
                continue;  // made by someone else meanwhile
            }
            result.path = name;
            result.system_error = error;
            return result;
        }
        const bool written = WriteAll(file, text);
        result.system_error = written ? 0 : platform::LastError();
        platform::Close(file);
        result.path = name;
        if (!written) {
            platform::Delete(name.c_str());
            return result;
        }
        result.written = true;
        return result;
    }
    return result;
}

}  // namespace tsy::scan
