#include "runtime/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace melquon {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    bytes += static_cast<char>(b);
  }
  return bytes;
}

// The system's own converter serves as an independent reference for the code page.
bool IconvCp1251ToUtf8(char byte, std::string& out) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return false;
  }
  char in[1] = {byte};
  char buffer[8];
  char* inPtr = in;
  char* outPtr = buffer;
  std::size_t inLeft = 1;
  std::size_t outLeft = sizeof buffer;
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  out.assign(buffer, static_cast<std::size_t>(outPtr - buffer));
  return ok;
}

TEST(Cp1251Test, EveryByteRoundTrips) {
  const std::string bytes = AllBytes();
  const std::string utf8 = Cp1251ToUtf8(bytes);
  EXPECT_EQ(Utf8ToCp1251(utf8), bytes);
}

TEST(Cp1251Test, EveryByteMatchesTheSystemConverter) {
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    std::string expected;
    if (!IconvCp1251ToUtf8(byte, expected)) {
      EXPECT_EQ(b, 0x98) << "only 0x98 is unassigned";
      continue;
    }
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, byte)), expected) << "byte " << b;
  }
}

TEST(Cp1251Test, UnassignedByteMapsToItsC1CodePoint) {
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98");
  EXPECT_EQ(Utf8ToCp1251("\xC2\x98"), "\x98");
}

TEST(Cp1251Test, ConvertsRussianTextBothWays) {
  const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \xB8\xA8 \xB9 5";
  const std::string utf8 = "Привет, мир! ёЁ № 5";
  EXPECT_EQ(Cp1251ToUtf8(cp1251), utf8);
  EXPECT_EQ(Utf8ToCp1251(utf8), cp1251);
}

TEST(Cp1251Test, AppendKeepsWhatIsAlreadyThere) {
  std::string out = "RIH9=";
  AppendCp1251AsUtf8("\xD0\xC8", out);
  AppendCp1251AsUtf8("", out);
  AppendCp1251AsUtf8("x", out);
  EXPECT_EQ(out, "RIH9=РИx");
}

TEST(Cp1251Test, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
  struct Case {
    const char* utf8;
    const char* cp1251;
  };
  const Case cases[] = {
      {"漢", "?"},                   // outside the code page
      {"😀x", "?x"},                  // four-byte sequence
      {"\xFF", "?"},                 // never a UTF-8 byte
      {"\x80\x80", "??"},            // stray continuations
      {"\xD0", "?"},                 // cut short at the end
      {"\xD0x", "?x"},               // cut short by another character
      {"\xC0\xAF", "??"},            // overlong '/'
      {"\xE0\x80\xAF", "???"},       // overlong '/'
      {"\xED\xA0\x80", "???"},       // a surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"a\xE2\x84\xA2z", "a\x99z"},  // U+2122, the highest mapped code point
      {"\xE2\x84\xA3", "?"},         // U+2123, one above it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
  }
}

TEST(Cp1251Test, IsAsciiLooksAtEveryByte) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii("RIH9,0,20090112,100500,120500,1"));
  for (std::size_t pos = 0; pos < 20; ++pos) {
    std::string text(20, 'a');
    text[pos] = '\x80';
    EXPECT_FALSE(IsAscii(text)) << pos;
  }
}

}  // namespace
}  // namespace melquon
