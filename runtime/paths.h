#pragma once

#include <string>

namespace melquon {

// The folder of the running executable, ending with the path separator.
std::string ExecutableDirectory();

// The path up to and including its last separator; empty when it has none.
std::string DirectoryOf(const std::string& path);

// A relative path taken relative to baseDirectory (which ends with a separator); an
// absolute or empty path comes back unchanged.
std::string ResolveAgainst(const std::string& baseDirectory, const std::string& path);

}  // namespace melquon
