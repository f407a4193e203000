#pragma once

#include <string>
#include <string_view>

namespace melquon {

// Moving a whole text file into and out of a multi-line editor. The file holds Windows-1251
// bytes with lines ended by CR LF, CR or LF; the editor holds UTF-8 lines joined by LF.

// Each line of the file becomes a line of the editor; the ending after the last line adds no
// empty line.
std::string FileBytesToEditorText(std::string_view aBytes);

// The editor's lines joined by CR LF, with no line break added after the last one.
std::string EditorTextToFileBytes(std::string_view aText);

// The editor text of the whole file; throws EInOutError when it can't be read.
std::string ReadEditorTextFile(const std::string& aFileName);

}  // namespace melquon
