#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace melquon {

// A settings file parsed once, read by section and key with the rules of the Windows
// private-profile reader: names matched without regard to case, blanks around names and
// values dropped, one pair of matching quotes around a value removed, values cut to 2047
// characters, the first matching section and key win. Values are UTF-8.
class IniFile {
 public:
  // A missing or unreadable file gives an empty reader.
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
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  std::vector<Section> sections_;
};

}  // namespace melquon
