#include "runtime/paths.h"

#include <unistd.h>

#include <climits>

namespace melquon {

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
    return "./";  // no /proc: the working directory is the best remaining guess
  }
  return DirectoryOf(std::string(buffer, static_cast<std::size_t>(length)));
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ResolveAgainst(const std::string& baseDirectory, const std::string& path) {
  if (path.empty() || path.front() == '/') {
    return path;
  }
  return baseDirectory + path;
}

}  // namespace melquon
