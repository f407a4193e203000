// Writes the sample quote archive: ten trading days of January 2009 (12th to 23rd, no files
// for the weekend) in a tick export layout, three contracts interleaved. The same archive
// comes out on every machine: the random numbers are the program's own, seeded per day.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "samples/split_mix64.h"

namespace {

using melquon::SplitMix64;

bool Chance(SplitMix64& aRandom, int aPercent) {
  return aRandom.Between(1, 100) <= aPercent;
}

struct TradingDay {
  int day;  // of January 2009
  // Where the March RTS futures closed that day, roughly: the index slid from about 630 to
  // about 500 points over these two weeks.
  int close;
};

constexpr TradingDay kDays[] = {{12, 62500}, {13, 60800}, {14, 58600}, {15, 55900}, {16, 57300},
                                {19, 56100}, {20, 53200}, {21, 54100}, {22, 51800}, {23, 50900}};

// A contract's price path: a random walk of whole ticks, drawn gently towards a target so that
// the day ends near its close while its range still spans a few thousand points.
struct Instrument {
  const char* ticker;
  int tick;
  int maxTicksPerMove;
  int tradePercent;  // chance of a trade in any one second
  double level;
  int price = 0;
};

constexpr double kPullPerTrade = 1.0 / 3000.0;

void Move(Instrument& aInstrument, int aTarget, SplitMix64& aRandom) {
  const int ticks = aRandom.Between(-aInstrument.maxTicksPerMove, aInstrument.maxTicksPerMove);
  aInstrument.level += ticks * aInstrument.tick + (aTarget - aInstrument.level) * kPullPerTrade;
  const long steps = std::lround(aInstrument.level / aInstrument.tick);
  aInstrument.price = static_cast<int>(steps) * aInstrument.tick;
}

std::string TickLine(const Instrument& aInstrument, int aDay, int aSecondOfDay, int aVolume) {
  char line[96];
  std::snprintf(line, sizeof line, "%s,0,200901%02d,%02d%02d%02d,%d,%d\r\n", aInstrument.ticker,
                aDay, aSecondOfDay / 3600, aSecondOfDay / 60 % 60, aSecondOfDay % 60,
                aInstrument.price, aVolume);
  return line;
}

std::string DayFileText(const TradingDay& aDay, int aOpen, int aDollar) {
  SplitMix64 random(20090100u + static_cast<unsigned>(aDay.day));
  Instrument futures{"RIH9", 5, 7, 45, static_cast<double>(aOpen)};
  Instrument nextFutures{"RIM9", 5, 7, 6, aOpen + 1400.0};
  Instrument dollar{"SiH9", 1, 12, 25, static_cast<double>(aDollar)};
  constexpr int kSessionStart = 10 * 3600 + 30 * 60;
  constexpr int kSessionEnd = 18 * 3600 + 45 * 60;
  std::string text = "<TICKER>,<PER>,<DATE>,<TIME>,<LAST>,<VOL>\r\n";
  for (int second = kSessionStart; second <= kSessionEnd; ++second) {
    const double progress =
        static_cast<double>(second - kSessionStart) / (kSessionEnd - kSessionStart);
    const int target = aOpen + static_cast<int>((aDay.close - aOpen) * progress);
    if (Chance(random, futures.tradePercent)) {
      Move(futures, target, random);
      text += TickLine(futures, aDay.day, second, random.Between(1, 25));
    }
    if (Chance(random, nextFutures.tradePercent)) {
      Move(nextFutures, futures.price + 1400, random);
      text += TickLine(nextFutures, aDay.day, second, random.Between(1, 10));
    }
    if (Chance(random, dollar.tradePercent)) {
      Move(dollar, aDollar + 60, random);
      text += TickLine(dollar, aDay.day, second, random.Between(1, 200));
    }
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: " << argv[0] << " ARCHIVE_FOLDER\n";
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  int open = 63400;
  int dollar = 30300;
  for (const TradingDay& day : kDays) {
    char name[32];
    std::snprintf(name, sizeof name, "RTS_0901%02d.txt", day.day);
    std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
    file << DayFileText(day, open, dollar);
    if (!file.flush()) {
      std::cerr << "Can't write " << (folder / name).string() << "\n";
      return 1;
    }
    open = day.close + (day.day % 3 - 1) * 450;
    dollar += 420;
  }
  return 0;
}
