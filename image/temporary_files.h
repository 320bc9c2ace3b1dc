// The write-back's temporary files beside the file it replaces: new ones of
// names nobody holds, and the leftovers of a run that was killed.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace tsy {

// A temporary file's name is the file's own, then '~', a digit and two more
// of [0-9a-z]: four characters longer, as long as its backup's name. The
// digit sets the names apart from a user's own ("game.tsy~bak").
inline constexpr std::size_t kTempSuffixLength = 4;

// Creates a new file of a new temporary name beside `path` (never an
// existing name, never through a link); `*temp_path` receives the name.
// Returns kNoFile (last error set) on failure.
platform::FileHandle CreateTemporary(const std::string& path, std::string* temp_path);

// Whether `name` is a temporary file's name beside the file named `base`
// (both without a folder).
bool IsTemporaryName(const std::string& name, const std::string& base);

// Removes the temporary files beside the file at `path` (its own path, no
// link) that a run left: regular files of temporary names, with no other
// name. Only for the holder of the file's write-back lock. Whatever cannot
// be removed stays.
void RemoveLeftovers(const std::string& path);

}  // namespace tsy
