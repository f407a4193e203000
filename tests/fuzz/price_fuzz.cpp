// A CONTRACT text read as a price: the shortcut for plain prices must give what std::from_chars
// gives, bit for bit, whether or not the bytes after it may be read with it (the text is then
// the input up to its first comma, as a price field of a line).
#include <bit>
#include <cstdint>
#include <string_view>

#include "engine/quote_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  const std::string_view input(reinterpret_cast<const char*>(aData), aSize);
  for (const std::string_view text : {input, input.substr(0, input.find(','))}) {
    double fast = 0.0;
    double general = 0.0;
    const bool read = melquon::TryReadPrice(text, fast, input.size());
    if (read != melquon::TryReadPriceGeneral(text, general) ||
        (read && std::bit_cast<std::uint64_t>(fast) != std::bit_cast<std::uint64_t>(general))) {
      __builtin_trap();
    }
  }
  return 0;
}
