#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/formats.h"

namespace melquon {

// %d
std::string IntToStr(std::int64_t value);
// %-<width>d: left-aligned, blanks on the right to at least width characters, never cut.
std::string IntToStrLeft(std::int64_t value, std::size_t width);
// %0<width>d: zeros after the sign up to at least width digits, never cut.
std::string IntToStrZeroPad(std::int64_t value, std::size_t width);

// %g: at most 15 significant digits, no trailing zeros, fixed notation for
// 0.0001 <= |value| < 1e15, otherwise d.dddE+xxx with at least three exponent digits
// (1E020, 5E-005); zero is "0".
std::string FormatGeneral(double value, const FormatSettings& formats = RegionalFormats());

// A float appended to a text without a format string: as %g, but the exponent has no
// leading zeros (1E20, 5E-5).
std::string FloatToStr(double value, const FormatSettings& formats = RegionalFormats());

// The shortest text without an exponent that reads back to the same double, "." before the
// decimals whatever the locale: 150000 (not 1e+05), 1.5, 0.000024.
std::string ShortestFloatText(double value);

// Decimal with an optional sign, or hexadecimal after 0x, 0X or $; leading blanks allowed.
bool TryStrToInt(std::string_view text, std::int32_t& result);
// Throws EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

}  // namespace melquon
