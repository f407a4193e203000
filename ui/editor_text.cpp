#include "ui/editor_text.h"

#include "engine/ini_file.h"
#include "runtime/cp1251.h"
#include "runtime/text_file.h"

namespace melquon {

std::string FileBytesToEditorText(std::string_view aBytes) {
  std::string text;
  bool first = true;
  for (const std::string& line : SplitTextLines(aBytes)) {
    if (!first) {
      text += '\n';
    }
    first = false;
    AppendCp1251AsUtf8(line, text);
  }
  return text;
}

std::string EditorTextToFileBytes(std::string_view aText) {
  std::string crlfText;
  crlfText.reserve(aText.size() + aText.size() / 16);
  for (const char c : aText) {
    if (c == '\n') {
      crlfText += "\r\n";
    } else {
      crlfText += c;
    }
  }
  return Utf8ToCp1251(crlfText);
}

std::string ReadEditorTextFile(const std::string& aFileName) {
  return FileBytesToEditorText(ReadFileBytes(aFileName, IniFile::kMaxFileBytes));
}

}  // namespace melquon
