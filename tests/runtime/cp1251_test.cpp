#include "runtime/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace melquon {
namespace {

// The system's converter is the independent reference; it leaves 0x98 unassigned, which the
// codec maps to its C1 code point so that every byte survives a round trip.
TEST(Cp1251Test, EveryByteMatchesTheSystemConverterRoundTripsAndAppends) {
  const iconv_t cd = iconv_open("UTF-8", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string all;
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b), buffer[8];
    char *in = &byte, *out = buffer;
    std::size_t inLeft = 1, outLeft = sizeof buffer;
    const bool mapped = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    EXPECT_EQ(mapped, b != 0x98) << b;
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, byte)), mapped ? std::string(buffer, out) : "\xC2\x98")
        << b;
    all += byte;
  }
  iconv_close(cd);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
  std::string appended = "RIH9=";
  AppendCp1251AsUtf8(all, appended);
  EXPECT_EQ(appended, "RIH9=" + Cp1251ToUtf8(all));
}

// Malformed UTF-8 (stray or cut-short sequences, overlong forms, a surrogate, beyond U+10FFFF)
// gives one '?' per byte, a character outside the code page one '?'; U+2122 is the highest
// mapped code point.
TEST(Cp1251Test, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
  for (const std::string bad : {"\xFF", "\x80\x80", "\xD0", "\xC0\xAF", "\xE0\x80\xAF",
                                "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_EQ(Utf8ToCp1251(bad), std::string(bad.size(), '?')) << bad;
  }
  EXPECT_EQ(Utf8ToCp1251("\xD0x漢 😀 \xE2\x84\xA3 a\xE2\x84\xA2z"), "?x? ? ? a\x99z");
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
