#include "engine/ini_file.h"

#include <algorithm>
#include <array>

#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/number_text.h"
#include "runtime/text_file.h"

namespace melquon {

namespace {

// The blanks that the platform's settings reader drops around names, keys and values.
constexpr std::string_view kBlanks = " \t\v";

// Lower case of each Windows-1251 byte: ASCII letters, the Russian alphabet and the other
// Cyrillic letters of the code page, whose two cases lie at irregular places.
constexpr std::array<unsigned char, 256> MakeLowerCaseTable() {
  std::array<unsigned char, 256> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<unsigned char>(i);
  }
  for (unsigned c = 'A'; c <= 'Z'; ++c) {
    table[c] = static_cast<unsigned char>(c + 0x20);
  }
  for (unsigned c = 0xC0; c <= 0xDF; ++c) {
    table[c] = static_cast<unsigned char>(c + 0x20);
  }
  constexpr std::array<std::array<unsigned char, 2>, 15> kIrregular{{{0x80, 0x90},
                                                                     {0x81, 0x83},
                                                                     {0x8A, 0x9A},
                                                                     {0x8C, 0x9C},
                                                                     {0x8D, 0x9D},
                                                                     {0x8E, 0x9E},
                                                                     {0x8F, 0x9F},
                                                                     {0xA1, 0xA2},
                                                                     {0xA3, 0xBC},
                                                                     {0xA5, 0xB4},
                                                                     {0xA8, 0xB8},
                                                                     {0xAA, 0xBA},
                                                                     {0xAF, 0xBF},
                                                                     {0xB2, 0xB3},
                                                                     {0xBD, 0xBE}}};
  for (const auto& [upper, lower] : kIrregular) {
    table[upper] = lower;
  }
  return table;
}

constexpr std::array<unsigned char, 256> kLowerCase = MakeLowerCaseTable();

std::string FoldCase(std::string_view aCp1251) {
  std::string folded(aCp1251);
  for (char& c : folded) {
    c = static_cast<char>(kLowerCase[static_cast<unsigned char>(c)]);
  }
  return folded;
}

std::string FoldName(std::string_view aUtf8Name) {
  return FoldCase(Utf8ToCp1251(aUtf8Name));
}

std::string_view Trim(std::string_view aText) {
  const std::size_t first = aText.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = aText.find_last_not_of(kBlanks);
  return aText.substr(first, last - first + 1);
}

std::string_view Unquote(std::string_view aValue) {
  if (aValue.size() >= 2 && (aValue.front() == '"' || aValue.front() == '\'') &&
      aValue.back() == aValue.front()) {
    return aValue.substr(1, aValue.size() - 2);
  }
  return aValue;
}

// The text between '[' and the first ']', or the end of the line when it has none.
std::string_view SectionName(std::string_view aHeader) {
  const std::string_view inner = aHeader.substr(1);
  return Trim(inner.substr(0, inner.find(']')));
}

}  // namespace

IniFile IniFile::Load(const std::string& aFileName) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(aFileName, kMaxFileBytes);
  } catch (const EInOutError&) {
    return {};
  }
  return Parse(bytes);
}

IniFile IniFile::Parse(std::string_view aText) {
  IniFile ini;
  // Keys above the first section header, and keys of a later section of a name already seen,
  // can't be read: they go nowhere.
  Section* section = nullptr;
  for (const std::string& rawLine : SplitTextLines(aText)) {
    const std::string_view line = Trim(rawLine);
    if (line.empty() || line.front() == ';') {
      continue;
    }
    if (line.front() == '[') {
      const auto [found, added] = ini.sections_.try_emplace(FoldCase(SectionName(line)));
      section = added ? &found->second : nullptr;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || section == nullptr) {
      continue;
    }
    const auto [entry, added] = section->try_emplace(FoldCase(Trim(line.substr(0, equals))));
    if (added) {
      entry->second =
          Cp1251ToUtf8(Unquote(Trim(line.substr(equals + 1))).substr(0, kMaxValueLength));
    }
  }
  return ini;
}

std::optional<std::string> IniFile::Read(std::string_view aSection, std::string_view aKey) const {
  const auto section = sections_.find(FoldName(aSection));
  if (section == sections_.end()) {
    return std::nullopt;
  }
  const auto found = section->second.find(FoldName(aKey));
  if (found == section->second.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::string IniFile::ReadString(std::string_view aSection, std::string_view aKey,
                                const std::string& aDefault) const {
  return Read(aSection, aKey).value_or(aDefault);
}

std::int32_t IniFile::ReadInteger(std::string_view aSection, std::string_view aKey,
                                  std::int32_t aDefault) const {
  const std::optional<std::string> text = Read(aSection, aKey);
  std::int32_t value = 0;
  if (text && TryStrToInt(*text, value)) {
    return value;
  }
  return aDefault;
}

std::string_view IniValueField(std::string_view aValue, std::size_t aFirst, std::size_t aCount) {
  const std::size_t skipped = aFirst > 0 ? aFirst - 1 : 0;
  const std::string_view rest = aValue.substr(Utf8PrefixLength(aValue, skipped));
  return rest.substr(0, Utf8PrefixLength(rest, aCount));
}

std::string WithIniValue(std::string_view aText, std::string_view aSection, std::string_view aKey,
                         std::string_view aValue) {
  const std::string eol =
      aText.find('\n') == std::string_view::npos || aText.find("\r\n") != std::string_view::npos
          ? "\r\n"
          : "\n";
  const std::string section = FoldCase(aSection);
  const std::string key = FoldCase(aKey);
  bool inSection = false;
  bool seen = false;
  std::size_t insertAt = aText.size();
  for (std::size_t begin = 0; begin < aText.size();) {
    std::size_t end = aText.find_first_of("\r\n", begin);
    end = end == std::string_view::npos ? aText.size() : end;
    // Past the line's ending: CR LF, CR or LF.
    const std::size_t next = aText.substr(end, 2) == "\r\n" ? end + 2
                             : end < aText.size()           ? end + 1
                                                            : end;
    const std::string_view line = Trim(aText.substr(begin, end - begin));
    if (!line.empty() && line.front() == '[') {
      if (inSection)
        break;
      inSection = !seen && FoldCase(SectionName(line)) == section;
      seen = seen || inSection;
      if (inSection)
        insertAt = next;
    } else if (inSection && !line.empty() && line.front() != ';') {
      const std::size_t equals = line.find('=');
      if (equals != std::string_view::npos && FoldCase(Trim(line.substr(0, equals))) == key) {
        const std::size_t valueAt =
            static_cast<std::size_t>(line.data() - aText.data()) + equals + 1;
        return std::string(aText.substr(0, valueAt)) + std::string(aValue) +
               std::string(aText.substr(end));
      }
      insertAt = next;
    }
    begin = next;
  }
  std::string text(aText);
  const std::string added = std::string(aKey) + "=" + std::string(aValue) + eol;
  if (seen) {
    const bool ended = insertAt == 0 || text[insertAt - 1] == '\n' || text[insertAt - 1] == '\r';
    return text.insert(insertAt, (ended ? "" : eol) + added);
  }
  if (!text.empty() && text.back() != '\n' && text.back() != '\r')
    text += eol;
  return text + (text.empty() ? "" : eol) + "[" + std::string(aSection) + "]" + eol + added;
}

}  // namespace melquon
