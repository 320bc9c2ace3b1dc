#include "image/temporary_files.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <vector>

namespace tsy {
namespace {

constexpr int kTempNameTries = 100;
constexpr char kTempAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kTempDigits = 10;  // the alphabet's first characters

// A random character of the first `count` of kTempAlphabet. They need not
// be unpredictable: the names are created exclusively, so a name taken by
// anyone is only skipped.
char RandomCharacter(std::size_t count) {
    static std::uint64_t state =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) *
         0x9E3779B97F4A7C15ull) ^
        reinterpret_cast<std::uintptr_t>(&state);
    // splitmix64
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return kTempAlphabet[z % count];
}

}  // namespace

platform::FileHandle CreateTemporary(const std::string& path, std::string* temp_path) {
    for (int i = 0; i < kTempNameTries; ++i) {
        std::string name = path + '~' + RandomCharacter(kTempDigits);
        for (std::size_t c = 2; c < kTempSuffixLength; ++c) {
            name += RandomCharacter(sizeof kTempAlphabet - 1);
        }
        const platform::FileHandle file = platform::CreateExclusive(name.c_str());
        if (file != platform::kNoFile) {
            *temp_path = name;
            return file;
        }
        if (platform::CErrorNumber(platform::LastError()) != EEXIST) {
            break;
        }
    }
    return platform::kNoFile;
}

bool IsTemporaryName(const std::string& name, const std::string& base) {
    if (name.size() != base.size() + kTempSuffixLength || name.compare(0, base.size(), base) != 0 ||
        name[base.size()] != '~') {
        return false;
    }
    const std::string alphabet(kTempAlphabet);
    return alphabet.find(name[base.size() + 1]) < kTempDigits &&
           name.find_first_not_of(alphabet, base.size() + 1) == std::string::npos;
}

// Under the lock of the file its path names, no run is making a temporary
// file beside it: a run makes them only under that lock, after seeing that
// the path names the file it locked. (Should another program put another
// file in the name meanwhile, a run that holds the old file's lock loses
// its files here and then finds the name changed: refused, nothing lost.)
void RemoveLeftovers(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    const std::string folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    struct Found {
        std::string base;
        std::vector<std::string> names;
    } found{path.substr(folder.size()), {}};
    platform::ListFolderOf(
        path.c_str(),
        [](const char* name, void* context) {
            Found& f = *static_cast<Found*>(context);
            if (IsTemporaryName(name, f.base)) {
                f.names.emplace_back(name);
            }
        },
        &found);
    for (const std::string& name : found.names) {
        const std::string leftover = folder + name;
        platform::FileInfo info;
        if (platform::InspectPath(leftover.c_str(), &info) &&
            info.kind == platform::FileKind::Regular && !info.is_link && info.links == 1) {
            platform::Delete(leftover.c_str());
        }
    }
}

}  // namespace tsy
