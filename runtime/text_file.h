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

// Writes a temporary file beside path and renames it over path, so a failed write leaves the
// old contents whole. Throws EInOutError.
void ReplaceFileContents(const std::string& path, std::string_view bytes);

// Lines ended by CR LF, a lone CR or a lone LF; a last line without an ending counts, the
// ending after the last line adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace melquon
