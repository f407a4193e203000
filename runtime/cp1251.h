#pragma once

#include <string>
#include <string_view>

namespace melquon {

// Files hold Windows-1251 bytes; the program holds UTF-8 text.
std::string Cp1251ToUtf8(std::string_view bytes);
// Appends to out, reusing its storage.
void AppendCp1251AsUtf8(std::string_view bytes, std::string& out);
// Characters outside the code page, and malformed UTF-8, become '?'.
std::string Utf8ToCp1251(std::string_view text);

// The length in bytes of the first aCount characters of a UTF-8 text, or its whole length when
// it has fewer; a character is a lead byte with the continuation bytes after it.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t aCount);

bool IsAscii(std::string_view bytes);

}  // namespace melquon
