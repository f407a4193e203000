#include "bench/tick_data.h"

#include <array>
#include <charconv>

#include "samples/split_mix64.h"

namespace melquon::bench {

namespace {

using Random = SplitMix64;

struct Contract {
  const char* ticker;
  std::int64_t price;
  std::int64_t tick;
  std::int64_t low;
  std::int64_t high;
};

// A trading day from 10:00:00 to 23:50:00.
constexpr std::int64_t kDayOpenSeconds = 10 * 3600;
constexpr std::int64_t kDaySeconds = 13 * 3600 + 50 * 60;

void AppendNumber(std::string& aOut, std::int64_t aValue, int aWidth) {
  std::array<char, 24> digits{};
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), aValue);
  const auto length = static_cast<int>(result.ptr - digits.data());
  if (length < aWidth)
    aOut.append(static_cast<std::size_t>(aWidth - length), '0');
  aOut.append(digits.data(), result.ptr);
}

// A move of -2 .. +2 ticks, turned back at the contract's bounds.
void MovePrice(Contract& aContract, Random& aRandom) {
  const std::int64_t move = (aRandom.Below(5) - 2) * aContract.tick;
  const std::int64_t next = aContract.price + move;
  aContract.price = (next < aContract.low || next > aContract.high) ? aContract.price - move : next;
}

// One line that is no tick of a day: a header, an empty line, a tick at 25:61:00 or one on the
// 45th of month 13.
void AppendJunkLine(std::string& aText, const Contract& aContract, Random& aRandom) {
  switch (aRandom.Below(4)) {
    case 0:
      aText += "<TICKER>,<PER>,<DATE>,<TIME>,<LAST>,<VOL>";
      break;
    case 1:
      break;
    case 2:
      aText += aContract.ticker;
      aText += ",0,20090112,256100,";
      AppendNumber(aText, aContract.price, 1);
      aText += ",1";
      break;
    default:
      aText += aContract.ticker;
      aText += ",0,20091345,120000,";
      AppendNumber(aText, aContract.price, 1);
      aText += ",1";
  }
  aText += "\r\n";
}

}  // namespace

std::string GenerateTickDay(const CalendarDate& aDate, const TickDayOptions& aOptions) {
  std::array<Contract, 3> contracts = {{
      {kTickContract, 150000, 5, 120000, 180000},
      {"SiH9", 36000, 1, 30000, 42000},
      {"GZH9", 13000, 1, 10000, 16000},
  }};
  Random random(aOptions.seed);
  const std::int64_t lineCount = aOptions.linesPerDay > 0 ? aOptions.linesPerDay : 0;
  std::string text;
  text.reserve(static_cast<std::size_t>(lineCount) * 40);
  for (std::int64_t i = 0; i < lineCount; ++i) {
    const std::int64_t third = random.Below(3);
    Contract& contract =
        contracts[static_cast<std::size_t>(third < aOptions.ownContractThirds ? 0 : third)];
    MovePrice(contract, random);
    // Drawn only when asked for, so that an archive without junk stays what it was.
    if (aOptions.junkShare > 0.0 && static_cast<double>(random.Below(1 << 30)) <
                                        aOptions.junkShare * static_cast<double>(1 << 30)) {
      AppendJunkLine(text, contract, random);
      continue;
    }
    const std::int64_t seconds = kDayOpenSeconds + i * kDaySeconds / lineCount;
    text += contract.ticker;
    text += ",0,";
    AppendNumber(text, aDate.year, 4);
    AppendNumber(text, aDate.month, 2);
    AppendNumber(text, aDate.day, 2);
    text += ',';
    AppendNumber(text, seconds / 3600, 2);
    AppendNumber(text, seconds / 60 % 60, 2);
    AppendNumber(text, seconds % 60, 2);
    text += ',';
    AppendNumber(text, contract.price, 1);
    text += ',';
    AppendNumber(text, 1 + random.Below(20), 1);
    text += "\r\n";
  }
  return text;
}

}  // namespace melquon::bench
