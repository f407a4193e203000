#include "runtime/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/errors.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"

namespace melquon {

namespace {

constexpr std::uint64_t kMebibyte = 1024 * 1024;

std::string FileText(const std::string& aPath) {
  return "\"" + aPath + "\". ";
}

std::string KindOfFile(mode_t aMode) {
  if (S_ISFIFO(aMode)) {
    return "Not a regular file (a FIFO)";
  }
  if (S_ISCHR(aMode) || S_ISBLK(aMode)) {
    return "Not a regular file (a device)";
  }
  if (S_ISSOCK(aMode)) {
    return "Not a regular file (a socket)";
  }
  return "Not a regular file";
}

}  // namespace

std::string ByteSizeText(std::uint64_t aBytes) {
  if (aBytes != 0 && aBytes % kMebibyte == 0) {
    return IntToStr(static_cast<std::int64_t>(aBytes / kMebibyte)) + " MB";
  }
  return IntToStr(static_cast<std::int64_t>(aBytes)) + " bytes";
}

TRegularFileReader::TRegularFileReader(const std::string& aPath, std::uint64_t aMaxBytes)
    : path_(aPath), maxBytes_(aMaxBytes) {
  // Without O_NONBLOCK opening a FIFO waits for a writer that may never come.
  do {
    fd_ = ::open(aPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    throw EInOutError("Cannot open file " + FileText(aPath) + SystemErrorText(errno));
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int error = errno;
    ::close(fd_);
    throw EInOutError("Cannot read file " + FileText(aPath) + SystemErrorText(error));
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd_);
    throw ENotRegularFile(
        "Cannot read file " + FileText(aPath) +
        (S_ISDIR(info.st_mode) ? SystemErrorText(EISDIR) : KindOfFile(info.st_mode)));
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  if (size_ > maxBytes_) {
    ::close(fd_);
    ThrowTooLarge();
  }
}

TRegularFileReader::~TRegularFileReader() {
  ::close(fd_);
}

std::size_t TRegularFileReader::Read(char* aBuffer, std::size_t aCount) {
  for (;;) {
    const ssize_t count = ::read(fd_, aBuffer, aCount);
    if (count >= 0) {
      read_ += static_cast<std::uint64_t>(count);
      if (read_ > maxBytes_) {
        ThrowTooLarge();
      }
      return static_cast<std::size_t>(count);
    }
    if (errno != EINTR) {
      throw EInOutError("Cannot read file " + FileText(path_) + SystemErrorText(errno));
    }
  }
}

void TRegularFileReader::ThrowTooLarge() const {
  throw EFileTooLarge("Cannot read file " + FileText(path_) + "It is larger than " +
                      ByteSizeText(maxBytes_));
}

}  // namespace melquon
