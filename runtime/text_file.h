#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace melquon {

bool FileExists(const std::string& path);

// The system's reason for an error number in plain English, whatever the C library's locale:
// "No such file or directory".
std::string SystemErrorText(int error);

// The whole file as bytes. Throws EInOutError naming the file and the system's reason.
std::string ReadFileBytes(const std::string& path);

// Writes a temporary file beside path and renames it over path, so a failed write leaves the
// old contents whole. Throws EInOutError.
void ReplaceFileContents(const std::string& path, std::string_view bytes);

// Lines ended by CR LF, a lone CR or a lone LF; a last line without an ending counts, the
// ending after the last line adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace melquon
