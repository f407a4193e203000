#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace melquon {

bool FileExists(const std::string& path);

// The system's reason for an error number in plain English, whatever the C library's locale:
// "No such file or directory".
std::string SystemErrorText(int error);

inline constexpr std::uint64_t kUnboundedFile = UINT64_MAX;

// The whole of a regular file as bytes, at most aMaxBytes of them. Throws EInOutError naming
// the file and the system's reason, ENotRegularFile for anything but a regular file (a FIFO
// or a device is refused at once, never waited on) and EFileTooLarge past the bound.
std::string ReadFileBytes(const std::string& path, std::uint64_t aMaxBytes = kUnboundedFile);

// The step of a whole-file replacement that failed, and the system's error number; Error 0
// when the file was replaced.
struct TReplaceResult {
  enum Step { kDone, kCreate, kWrite, kFinish };
  Step FailedStep = kDone;
  int Error = 0;
};

// Replaces a file's contents whole or not at all: the bytes go to a temporary file beside it
// (a link is followed), which is synced and renamed over the file only when complete; on any
// failure the temporary file is removed and the file stays as it was. An existing file that
// may not be written is refused (kCreate), as opening it would be. A device or a FIFO in the
// file's place can't be replaced and is written in place; a FIFO without a reader is refused
// at once.
TReplaceResult TryReplaceFileContents(const std::string& path, std::string_view bytes);

// As TryReplaceFileContents; throws EInOutError "Cannot create file" or "Cannot write file"
// naming the file and the system's reason.
void ReplaceFileContents(const std::string& path, std::string_view bytes);

// A file written piece by piece that replaces its target whole or not at all, as
// ReplaceFileContents does: the pieces go to a temporary file beside it, which Commit syncs and
// renames over it; left without Commit, the temporary file is removed and the target stays as
// it was. A device or a FIFO in the target's place is written in place. Throws EInOutError
// "Cannot create file" or "Cannot write file" naming the file and the system's reason.
class TFileReplacement {
 public:
  explicit TFileReplacement(const std::string& path);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  // The same steps without exceptions: what TryReplaceFileContents is made of.
  friend TReplaceResult TryReplaceFileContents(const std::string& path, std::string_view bytes);
  struct NoThrow {};
  TFileReplacement(const std::string& path, NoThrow);
  TReplaceResult Begin();
  TReplaceResult TryWrite(std::string_view bytes);
  TReplaceResult TryCommit();
  void ThrowIfFailed(const TReplaceResult& aResult) const;

  std::string path_;
  std::string target_;
  std::string tempPath_;  // empty when written in place
  int fd_ = -1;
  bool committed_ = false;
};

// Lines ended by CR LF, a lone CR or a lone LF; a last line without an ending counts, the
// ending after the last line adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace melquon
