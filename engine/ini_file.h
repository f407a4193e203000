#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace melquon {

// A settings file parsed once, read by section and key with the rules of the Windows
// private-profile reader: names matched without regard to case, blanks around names and
// values dropped, one pair of matching quotes around a value removed, values cut to 2047
// characters, the first matching section and key win. Values are UTF-8.
class IniFile {
 public:
  // The longest value a key gives, in characters of the file.
  static constexpr std::size_t kMaxValueLength = 2047;

  // The most a settings file may hold: thousands of skip windows fit many times over.
  static constexpr std::uint64_t kMaxFileBytes = 16 * 1024 * 1024;

  // A missing or unreadable file gives an empty reader, and so does one that is no regular
  // file or holds more than kMaxFileBytes.
  static IniFile Load(const std::string& aFileName);
  // aText holds the file's Windows-1251 bytes.
  static IniFile Parse(std::string_view aText);

  std::optional<std::string> Read(std::string_view aSection, std::string_view aKey) const;
  std::string ReadString(std::string_view aSection, std::string_view aKey,
                         const std::string& aDefault) const;
  // Missing, empty or malformed values give the default.
  std::int32_t ReadInteger(std::string_view aSection, std::string_view aKey,
                           std::int32_t aDefault) const;

 private:
  // Names are kept as Windows-1251 bytes folded to lower case, so that Cyrillic names match
  // without regard to case as well. Only the first section of a name and the first key of a
  // name in it are kept: later ones can never be read. Looked up by hash, so a file of many
  // keys (thousands of skip windows) loads in linear time.
  using Section = std::unordered_map<std::string, std::string>;

  std::unordered_map<std::string, Section> sections_;
};

// aText, a settings file's text, with aKey of aSection set to aValue as the reader rules find it
// (the first section of the name, the first key of the name in it, names without regard to
// case): the value of a key there replaced, or the key added after the section's last key, or
// the section added at the end. Every other line stays as it was; added lines end as aText's.
std::string WithIniValue(std::string_view aText, std::string_view aSection, std::string_view aKey,
                         std::string_view aValue);

// Characters aFirst (counted from 1) to aFirst + aCount - 1 of a UTF-8 value, fewer or none
// where the value is shorter. A character is one code point, as it is one byte in the file,
// so fixed-width fields (ddmmyyyy, hhmm) are cut where the user sees them.
std::string_view IniValueField(std::string_view aValue, std::size_t aFirst, std::size_t aCount);

}  // namespace melquon
