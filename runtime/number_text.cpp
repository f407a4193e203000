#include "runtime/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "runtime/errors.h"

namespace melquon {

namespace {

constexpr int kSignificantDigits = 15;
// Fixed notation covers decimal exponents -4 .. 14, that is 0.0001 <= |value| < 1e15.
constexpr int kLowestFixedExponent = -4;
constexpr int kHighestFixedExponent = 14;

// The value rounded to 15 significant digits: the digits without trailing zeros and the
// decimal exponent of the first one.
struct DecimalDigits {
  char digits[kSignificantDigits + 1] = {};
  int count = 0;
  int exponent = 0;
};

DecimalDigits RoundToSignificantDigits(double magnitude) {
  // Scientific to_chars with 14 decimals rounds the exact binary value correctly and yields
  // d.dddddddddddddde[+-]xx whatever the C library's locale says.
  char buffer[40];
  const std::to_chars_result written =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific,
                    kSignificantDigits - 1);
  DecimalDigits result;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') {
      result.digits[result.count++] = *p;
    }
  }
  ++p;  // past 'e'
  const bool negativeExponent = *p == '-';
  if (*p == '-' || *p == '+') {
    ++p;
  }
  std::from_chars(p, written.ptr, result.exponent);
  if (negativeExponent) {
    result.exponent = -result.exponent;
  }
  while (result.count > 1 && result.digits[result.count - 1] == '0') {
    --result.count;
  }
  return result;
}

void AppendFixed(const DecimalDigits& d, char decimalSeparator, std::string& out) {
  if (d.exponent < 0) {
    out += '0';
    out += decimalSeparator;
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out.append(d.digits, static_cast<std::size_t>(d.count));
    return;
  }
  const int integerDigits = d.exponent + 1;
  for (int i = 0; i < integerDigits; ++i) {
    out += i < d.count ? d.digits[i] : '0';
  }
  if (d.count > integerDigits) {
    out += decimalSeparator;
    out.append(d.digits + integerDigits, static_cast<std::size_t>(d.count - integerDigits));
  }
}

void AppendScientific(const DecimalDigits& d, char decimalSeparator, int minExponentDigits,
                      std::string& out) {
  out += d.digits[0];
  if (d.count > 1) {
    out += decimalSeparator;
    out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
  }
  out += 'E';
  if (d.exponent < 0) {
    out += '-';
  }
  out += IntToStrZeroPad(std::abs(d.exponent), static_cast<std::size_t>(minExponentDigits));
}

std::string FormatFloat(double value, char decimalSeparator, int minExponentDigits) {
  if (std::isnan(value)) {
    return "NAN";
  }
  if (std::isinf(value)) {
    return value < 0 ? "-INF" : "INF";
  }
  if (value == 0.0) {
    return "0";
  }
  std::string out;
  if (value < 0) {
    out += '-';
  }
  // The notation follows the rounded value, so 999999999999999.9 (shown as 1E015) and
  // 0.0000999999999999999 (shown as 0.0001) read consistently.
  const DecimalDigits digits = RoundToSignificantDigits(std::fabs(value));
  if (digits.exponent >= kLowestFixedExponent && digits.exponent <= kHighestFixedExponent) {
    AppendFixed(digits, decimalSeparator, out);
  } else {
    AppendScientific(digits, decimalSeparator, minExponentDigits, out);
  }
  return out;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// Hexadecimal digits up to FFFFFFFF; the bit pattern becomes a signed 32-bit value, so
// FFFFFFFF reads as -1 like the classic runtime.
bool ParseHexMagnitude(std::string_view digits, std::uint32_t& result) {
  if (digits.empty()) {
    return false;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) {
      return false;
    }
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > std::numeric_limits<std::uint32_t>::max()) {
      return false;
    }
  }
  result = static_cast<std::uint32_t>(value);
  return true;
}

bool ParseDecimalMagnitude(std::string_view digits, std::uint64_t limit, std::uint64_t& result) {
  if (digits.empty()) {
    return false;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') {
      return false;
    }
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > limit) {
      return false;
    }
  }
  result = value;
  return true;
}

}  // namespace

std::string IntToStr(std::int64_t value) {
  char buffer[24];
  const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

std::string ShortestFloatText(double value) {
  // Room for the longest: the smallest subnormal written out is 326 characters.
  char buffer[400];
  const std::to_chars_result written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return std::string(buffer, written.ptr);
}

std::string IntToStrLeft(std::int64_t value, std::size_t width) {
  std::string text = IntToStr(value);
  if (text.size() < width) {
    text.append(width - text.size(), ' ');
  }
  return text;
}

std::string IntToStrZeroPad(std::int64_t value, std::size_t width) {
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char buffer[24];
  const std::to_chars_result written = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
  std::string text(buffer, written.ptr);
  if (text.size() < width) {
    text.insert(0, width - text.size(), '0');
  }
  if (value < 0) {
    text.insert(0, 1, '-');
  }
  return text;
}

std::string FormatGeneral(double value, const FormatSettings& formats) {
  return FormatFloat(value, formats.DecimalSeparator, 3);
}

std::string FloatToStr(double value, const FormatSettings& formats) {
  return FormatFloat(value, formats.DecimalSeparator, 1);
}

bool TryStrToInt(std::string_view text, std::int32_t& result) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::string_view rest = text.substr(pos);
  if (rest.starts_with('$') || rest.starts_with("0x") || rest.starts_with("0X")) {
    std::uint32_t bits = 0;
    if (!ParseHexMagnitude(rest.substr(rest[0] == '$' ? 1 : 2), bits)) {
      return false;
    }
    if (negative) {
      bits = 0u - bits;
    }
    result = static_cast<std::int32_t>(bits);
    return true;
  }
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t magnitude = 0;
  if (!ParseDecimalMagnitude(rest, limit, magnitude)) {
    return false;
  }
  const std::int64_t signedValue =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  result = static_cast<std::int32_t>(signedValue);
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t result = 0;
  if (!TryStrToInt(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return result;
}

}  // namespace melquon
