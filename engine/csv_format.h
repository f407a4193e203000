#pragma once

#include <string>
#include <string_view>

namespace melquon {

// How the program's CSV files separate fields and write decimals: "," and "." by default; ";"
// for spreadsheets set to a Russian locale, which read "," as the decimal separator.
struct TCsvFormat {
  char Separator = ',';
  char Decimal = '.';

  // A decimal separator equal to the field separator would cut numbers in two.
  bool Valid() const { return (Separator == ',' || Separator == ';') && Decimal != Separator; }
};

// A CSV text written with "," between fields and "." in numbers, in aFormat. The program's CSV
// fields hold neither "," nor ";", and "." only in numbers and in the milliseconds of times.
std::string InCsvFormat(std::string aText, const TCsvFormat& aFormat);

}  // namespace melquon
