#include "runtime/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/errors.h"
#include "runtime/number_text.h"
#include "runtime/paths.h"
#include "runtime/regular_file.h"

namespace melquon {

namespace {

constexpr std::size_t kReadPiece = 64 * 1024;

[[noreturn]] void ThrowFileError(const char* action, const std::string& path, int error) {
  throw EInOutError(std::string(action) + " \"" + path + "\". " + SystemErrorText(error));
}

// Owns a file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close can be reported; returns errno or 0.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// Returns errno, or 0 once every byte is written.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// A link is replaced at the file it points to, not turned into a file of its own.
std::string ResolveLink(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
    return path;
  }
  std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr), &std::free);
  return target ? std::string(target.get()) : path;
}

// Creates a new file beside target with a name no one else uses; returns its descriptor.
int CreateTemporaryBeside(const std::string& target, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = target + ".~" + IntToStr(::getpid()) + "." + IntToStr(counter++);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

void SyncDirectoryOf(const std::string& path) {
  const std::string directory = DirectoryOf(path);
  FileDescriptor fd(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.valid()) {
    ::fsync(fd.get());  // durability of the rename only; the contents are already safe
  }
}

}  // namespace

std::string SystemErrorText(int error) {
  // strerror would follow LC_MESSAGES, which the window's application object sets.
  if (const char* text = ::strerrordesc_np(error)) {
    return text;
  }
  return "Unknown error " + IntToStr(error);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string ReadFileBytes(const std::string& path, std::uint64_t aMaxBytes) {
  TRegularFileReader file(path, aMaxBytes);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(file.Size()));
  char buffer[kReadPiece];
  while (const std::size_t count = file.Read(buffer, sizeof buffer)) {
    bytes.append(buffer, count);
  }
  return bytes;
}

// A replacement, step by step: whatever step fails, the file is left as it was.
TReplaceResult TryReplaceFileContents(const std::string& path, std::string_view bytes) {
  TFileReplacement file(path, TFileReplacement::NoThrow{});
  if (const TReplaceResult begun = file.Begin(); begun.Error != 0) {
    return begun;
  }
  if (const TReplaceResult written = file.TryWrite(bytes); written.Error != 0) {
    return written;
  }
  return file.TryCommit();
}

void ReplaceFileContents(const std::string& path, std::string_view bytes) {
  const TReplaceResult result = TryReplaceFileContents(path, bytes);
  if (result.Error != 0) {
    ThrowFileError(
        result.FailedStep == TReplaceResult::kCreate ? "Cannot create file" : "Cannot write file",
        path, result.Error);
  }
}

TFileReplacement::TFileReplacement(const std::string& path, NoThrow)
    : path_(path), target_(ResolveLink(path)) {}

// Once the delegated constructor is done, a throw runs the destructor, which leaves nothing.
TFileReplacement::TFileReplacement(const std::string& path) : TFileReplacement(path, NoThrow{}) {
  ThrowIfFailed(Begin());
}

TFileReplacement::~TFileReplacement() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
  if (!committed_ && !tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
  }
}

void TFileReplacement::Write(std::string_view bytes) {
  ThrowIfFailed(TryWrite(bytes));
}

void TFileReplacement::Commit() {
  ThrowIfFailed(TryCommit());
}

// A device or a FIFO can't be replaced, only written: opened without waiting for a reader, then
// written as a pipe is, waiting for room. A file is written to a temporary file beside it with
// its mode; a file that may not be written is refused, as opening it would be.
TReplaceResult TFileReplacement::Begin() {
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    const int flags = fd_ < 0 ? -1 : ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      return {TReplaceResult::kCreate, errno};
    }
    return {};
  }
  if (exists && ::access(target_.c_str(), W_OK) != 0) {
    return {TReplaceResult::kCreate, errno};
  }
  fd_ = CreateTemporaryBeside(target_, tempPath_);
  if (fd_ < 0) {
    const int error = errno;
    tempPath_.clear();
    return {TReplaceResult::kCreate, error};
  }
  if (exists && ::fchmod(fd_, existing.st_mode & 07777) != 0) {
    return {TReplaceResult::kCreate, errno};
  }
  return {};
}

TReplaceResult TFileReplacement::TryWrite(std::string_view bytes) {
  if (const int error = WriteAll(fd_, bytes)) {
    return {TReplaceResult::kWrite, error};
  }
  return {};
}

TReplaceResult TFileReplacement::TryCommit() {
  if (!tempPath_.empty() && ::fsync(fd_) != 0) {
    return {TReplaceResult::kFinish, errno};
  }
  const int closed = ::close(fd_);
  const int closeError = errno;
  fd_ = -1;
  if (closed != 0) {
    return {TReplaceResult::kFinish, closeError};
  }
  if (!tempPath_.empty()) {
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) {
      return {TReplaceResult::kFinish, errno};
    }
    SyncDirectoryOf(target_);
  }
  committed_ = true;
  return {};
}

void TFileReplacement::ThrowIfFailed(const TReplaceResult& aResult) const {
  if (aResult.Error != 0) {
    ThrowFileError(
        aResult.FailedStep == TReplaceResult::kCreate ? "Cannot create file" : "Cannot write file",
        path_, aResult.Error);
  }
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c != '\r' && c != '\n') {
      continue;
    }
    lines.emplace_back(text.substr(start, pos - start));
    if (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
      ++pos;
    }
    start = pos + 1;
  }
  if (start < text.size()) {
    lines.emplace_back(text.substr(start));
  }
  return lines;
}

}  // namespace melquon
