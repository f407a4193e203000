#include "runtime/formats.h"

namespace melquon {

FormatSettings& RegionalFormats() {
  static FormatSettings formats;
  return formats;
}

}  // namespace melquon
