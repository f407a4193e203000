#include "runtime/cp1251.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "runtime/ascii.h"

namespace melquon {

namespace {

// Code points of the bytes 0x80..0xFF. 0x98 has no character in the code page; it maps to
// U+0098 so that every byte survives a round trip.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// The UTF-8 form of every byte, ready to copy.
struct Utf8Sequence {
  char bytes[3];
  std::uint8_t length;
};

constexpr Utf8Sequence EncodeUtf8(char32_t codePoint) {
  if (codePoint < 0x80) {
    return {{static_cast<char>(codePoint), 0, 0}, 1};
  }
  if (codePoint < 0x800) {
    return {{static_cast<char>(0xC0 | (codePoint >> 6)),
             static_cast<char>(0x80 | (codePoint & 0x3F)), 0},
            2};
  }
  return {{static_cast<char>(0xE0 | (codePoint >> 12)),
           static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)),
           static_cast<char>(0x80 | (codePoint & 0x3F))},
          3};
}

constexpr char32_t CodePointOfByte(unsigned byte) {
  return byte < 0x80 ? byte : kUpperHalf[byte - 0x80];
}

constexpr std::array<Utf8Sequence, 256> MakeUtf8Table() {
  std::array<Utf8Sequence, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    table[byte] = EncodeUtf8(CodePointOfByte(byte));
  }
  return table;
}

constexpr std::array<Utf8Sequence, 256> kUtf8OfByte = MakeUtf8Table();

// The highest code point of the code page is U+2122; a direct table up to it is 8.5 KB.
constexpr char32_t kHighestCodePoint = 0x2122;

constexpr std::array<std::uint8_t, kHighestCodePoint + 1> MakeReverseTable() {
  std::array<std::uint8_t, kHighestCodePoint + 1> table{};
  for (unsigned byte = 0x80; byte < 256; ++byte) {
    table[CodePointOfByte(byte)] = static_cast<std::uint8_t>(byte);
  }
  return table;
}

constexpr std::array<std::uint8_t, kHighestCodePoint + 1> kByteOfCodePoint = MakeReverseTable();

constexpr char kUnmappable = '?';

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 when it is malformed
// (overlong forms and surrogates included).
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > text.size()) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(c)) {
      return 0;
    }
    codePoint = (codePoint << 6) | (c & 0x3F);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < minimum || codePoint > 0x10FFFF || surrogate) {
    return 0;
  }
  return length;
}

char ByteOfCodePoint(char32_t codePoint) {
  if (codePoint < 0x80) {
    return static_cast<char>(codePoint);
  }
  if (codePoint <= kHighestCodePoint && kByteOfCodePoint[codePoint] != 0) {
    return static_cast<char>(kByteOfCodePoint[codePoint]);
  }
  return kUnmappable;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  AppendCp1251AsUtf8(bytes, out);
  return out;
}

void AppendCp1251AsUtf8(std::string_view bytes, std::string& out) {
  std::size_t extra = 0;
  for (char c : bytes) {
    extra += kUtf8OfByte[static_cast<unsigned char>(c)].length;
  }
  // Every character is copied as three bytes and the slack is overwritten by the next one;
  // two spare bytes at the end keep the last copy inside the buffer.
  constexpr std::size_t kSlack = 2;
  const std::size_t start = out.size();
  out.resize(start + extra + kSlack);
  char* dest = out.data() + start;
  for (char c : bytes) {
    const Utf8Sequence& seq = kUtf8OfByte[static_cast<unsigned char>(c)];
    std::memcpy(dest, seq.bytes, 3);
    dest += seq.length;
  }
  out.resize(start + extra);
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++pos;
      continue;
    }
    char32_t codePoint = 0;
    const std::size_t length = DecodeUtf8(text, pos, codePoint);
    if (length == 0) {
      out += kUnmappable;
      ++pos;
      continue;
    }
    out += ByteOfCodePoint(codePoint);
    pos += length;
  }
  return out;
}

bool IsAscii(std::string_view bytes) {
  std::size_t pos = 0;
  for (; pos + 8 <= bytes.size(); pos += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + pos, 8);
    if (word & kByteTops) {
      return false;
    }
  }
  for (; pos < bytes.size(); ++pos) {
    if (static_cast<unsigned char>(bytes[pos]) >= 0x80) {
      return false;
    }
  }
  return true;
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t aCount) {
  std::size_t end = 0;
  for (; aCount > 0 && end < text.size(); --aCount) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
      ++end;
    }
  }
  return end;
}

}  // namespace melquon
