#include "engine/line_shape.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "runtime/ascii.h"

namespace melquon {

// Every byte but CR and LF, as "." is: a line cut from a file holds nothing else.
bool TLineShape::TakesAllButLineEnds(const ByteSet& aSet) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (byte != '\r' && byte != '\n' && !Holds(aSet, static_cast<unsigned char>(byte)))
      return false;
  }
  return true;
}

// A step of varying length must be followed by a step that takes at least one byte, none of
// which it takes itself, unless it is the last step.
bool TLineShape::TakesAllItCan(const std::vector<PatternStep>& aSteps) {
  for (std::size_t i = 0; i + 1 < aSteps.size(); ++i) {
    const PatternStep& step = aSteps[i];
    if (step.min == step.max)
      continue;
    const PatternStep& next = aSteps[i + 1];
    if (next.min == 0)
      return false;
    for (std::size_t word = 0; word < step.bytes.size(); ++word) {
      if ((step.bytes[word] & next.bytes[word]) != 0)
        return false;
    }
  }
  return true;
}

std::uint32_t TLineShape::TableOf(const ByteSet& aSet) {
  std::array<std::uint8_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte)
    table[byte] = Holds(aSet, static_cast<unsigned char>(byte)) ? 1 : 0;
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (tables_[i] == table)
      return static_cast<std::uint32_t>(i);
  }
  tables_.push_back(table);
  return static_cast<std::uint32_t>(tables_.size() - 1);
}

// Steps of fixed length, with the group offsets between them, join into one run. Groups follow
// one another, so the slots a run writes are neighbours; false should they not be.
bool TLineShape::Lower(const std::vector<PatternStep>& aSteps) {
  Step run;
  bool neighbours = true;
  const auto mark = [this, &run, &neighbours](std::uint32_t aSlot) {
    if (run.marks == 0)
      run.firstSlot = aSlot;
    neighbours = neighbours && aSlot == run.firstSlot + run.marks;
    markOffsets_.push_back(run.count);
    ++run.marks;
  };
  const auto flush = [this, &run] {
    if (run.count != 0 || run.marks != 0) {
      ChunkRun(run);
      steps_.push_back(run);
    }
    run = Step{};
    run.first = static_cast<std::uint32_t>(sets_.size());
    run.firstMark = static_cast<std::uint32_t>(markOffsets_.size());
  };
  flush();
  for (const PatternStep& step : aSteps) {
    if (step.min == step.max) {
      if (step.opens >= 0)
        mark(2 * static_cast<std::uint32_t>(step.opens));
      const std::uint32_t table = TableOf(step.bytes);
      sets_.insert(sets_.end(), step.min, table);
      run.count += step.min;
      if (step.closes >= 0)
        mark(2 * static_cast<std::uint32_t>(step.closes) + 1);
      continue;
    }
    flush();
    Step repeat;
    repeat.repeat = true;
    repeat.first = TableOf(step.bytes);
    repeat.count = step.min;
    repeat.most = step.max;
    if (step.opens >= 0)
      repeat.openSlot = 2 * static_cast<std::uint32_t>(step.opens);
    if (step.closes >= 0)
      repeat.closeSlot = 2 * static_cast<std::uint32_t>(step.closes) + 1;
    RangeRepeat(repeat);
    repeat.allButLineEnds = TakesAllButLineEnds(step.bytes);
    steps_.push_back(repeat);
    flush();
  }
  flush();
  return neighbours;
}

namespace {

// A set as byte ranges after folding case: a byte is in it when it is below 0x80 and, or-ed
// with fold (0x20 for case, or 0), lies in one of the ranges.
struct FoldedRanges {
  unsigned char fold = 0;
  std::vector<std::pair<int, int>> ranges;
};

// The set as at most aMostRanges ranges after folding case, when it is that: what runs and
// repeats are checked with eight bytes at a time.
std::optional<FoldedRanges> FoldedRangesOf(const std::array<std::uint8_t, 256>& aTable,
                                           std::size_t aMostRanges) {
  for (const unsigned char fold : {0x00, 0x20}) {
    std::array<bool, 0x80> folded{};
    for (int byte = 0; byte < 256; ++byte) {
      if (aTable[byte] == 0)
        continue;
      if (byte >= 0x80)
        return std::nullopt;
      folded[static_cast<std::size_t>(byte | fold)] = true;
    }
    FoldedRanges set{fold, {}};
    for (int byte = 0; byte < 0x80; ++byte) {
      if (!folded[static_cast<std::size_t>(byte)])
        continue;
      if (!set.ranges.empty() && set.ranges.back().second == byte - 1)
        set.ranges.back().second = byte;
      else
        set.ranges.emplace_back(byte, byte);
    }
    bool same = !set.ranges.empty() && set.ranges.size() <= aMostRanges;
    for (int byte = 0; byte < 256 && same; ++byte) {
      same = (aTable[byte] != 0) == (byte < 0x80 && folded[static_cast<std::size_t>(byte | fold)]);
    }
    if (same)
      return set;
  }
  return std::nullopt;
}

}  // namespace

void TLineShape::RangeRepeat(Step& aRepeat) {
  if constexpr (std::endian::native != std::endian::little)
    return;
  const std::optional<FoldedRanges> set = FoldedRangesOf(tables_[aRepeat.first], 2);
  if (!set)
    return;
  RepeatRanges repeat;
  repeat.fold = kEveryByte * set->fold;
  // x + (0x80 - low) reaches the top bit from low on, x + (0x7F - high) past high; with every
  // byte below 0x80 neither carries into the next byte.
  for (std::size_t i = 0; i < 2; ++i) {
    const auto [low, high] = set->ranges[std::min(i, set->ranges.size() - 1)];
    repeat.fromLow[i] = kEveryByte * static_cast<std::uint64_t>(0x80 - low);
    repeat.pastHigh[i] = kEveryByte * static_cast<std::uint64_t>(0x7F - high);
  }
  aRepeat.ranges = static_cast<std::uint32_t>(repeatRanges_.size()) + 1;
  repeatRanges_.push_back(repeat);
}

// Where a repeat of ranges stops from aAt on, eight bytes at a time: at the first byte it does
// not take, or where fewer than eight are left before aEnd.
inline std::size_t TLineShape::TakeRanges(const RepeatRanges& aRanges, const unsigned char* aBytes,
                                          std::size_t aAt, std::size_t aEnd) {
  for (; aEnd - aAt >= 8; aAt += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, aBytes + aAt, sizeof word);
    const std::uint64_t folded = (word & ~kByteTops) | aRanges.fold;
    std::uint64_t taken = 0;
    for (std::size_t i = 0; i < 2; ++i)
      taken |= (folded + aRanges.fromLow[i]) & ~(folded + aRanges.pastHigh[i]);
    const std::uint64_t refused = ~(taken & ~word) & kByteTops;
    if (refused != 0)
      return aAt + static_cast<std::size_t>(std::countr_zero(refused)) / 8;
  }
  return aAt;
}

void TLineShape::ChunkRun(Step& aRun) {
  if constexpr (std::endian::native != std::endian::little)
    return;
  std::vector<Chunk> chunks;
  for (std::uint32_t i = 0; i < aRun.count; ++i) {
    const std::optional<FoldedRanges> set = FoldedRangesOf(tables_[sets_[aRun.first + i]], 1);
    if (!set)
      return;
    const auto [low, high] = set->ranges.front();
    if (i % 8 == 0)
      chunks.emplace_back();
    Chunk& chunk = chunks.back();
    const unsigned shift = 8 * (i % 8);
    chunk.fold |= std::uint64_t{set->fold} << shift;
    chunk.low |= static_cast<std::uint64_t>(low) << shift;
    chunk.high |= static_cast<std::uint64_t>(high) << shift;
    chunk.care |= std::uint64_t{0x80} << shift;
    ++chunk.bytes;
  }
  aRun.firstChunk = static_cast<std::uint32_t>(chunks_.size());
  aRun.chunks = static_cast<std::uint32_t>(chunks.size());
  chunks_.insert(chunks_.end(), chunks.begin(), chunks.end());
}

// With every byte and bound below 0x80 no subtraction borrows while all bytes are taken, and
// the lowest byte not taken sets its top bit in one of the two differences.
inline bool TLineShape::ChunkTakes(const Chunk& aChunk, std::uint64_t aWord) {
  const std::uint64_t word = aWord | aChunk.fold;
  return (((word - aChunk.low) | (aChunk.high - word)) & aChunk.care) == 0;
}

// A run of a byte or two is looked up in its tables: cheaper than a word put together byte by
// byte at a line's end. Always inline: left to itself the compiler made it a call for every run
// of every line, which cost about a tenth of the run's time.
[[gnu::always_inline]] inline bool TLineShape::RunMatches(const Step& aRun,
                                                          const unsigned char* aBytes,
                                                          std::size_t aLeft) const {
  if (aRun.chunks == 0 || aRun.count <= 2) {
    const std::uint32_t* const sets = sets_.data() + aRun.first;
    for (std::uint32_t i = 0; i < aRun.count; ++i) {
      if (tables_[sets[i]][aBytes[i]] == 0)
        return false;
    }
    return true;
  }
  const Chunk* const chunks = chunks_.data() + aRun.firstChunk;
  // Most lines are long enough to read every chunk as a whole word: no look at what is left.
  if (aLeft / 8 >= aRun.chunks) {
    for (const Chunk* chunk = chunks; chunk != chunks + aRun.chunks; ++chunk, aBytes += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, aBytes, 8);
      if (!ChunkTakes(*chunk, word))
        return false;
    }
    return true;
  }
  // Whole words while the line has them, then the last few bytes.
  std::uint32_t i = 0;
  for (; aLeft >= 8; ++i, aBytes += 8, aLeft -= 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, aBytes, 8);
    if (!ChunkTakes(chunks[i], word))
      return false;
  }
  std::uint64_t word = 0;
  for (std::uint32_t k = 0; k < chunks[i].bytes; ++k)
    word |= std::uint64_t{aBytes[k]} << (8 * k);
  return ChunkTakes(chunks[i], word);
}

// Groups come in pairs of slots: two at a time.
inline void TLineShape::PlaceMarks(const Step& aRun, const std::size_t* aMarkOffsets,
                                   std::size_t aStart, std::size_t* aOffsets) {
  std::size_t* const slots = aOffsets + aRun.firstSlot;
  const std::size_t* const offsets = aMarkOffsets + aRun.firstMark;
  std::uint32_t i = 0;
  for (; i + 2 <= aRun.marks; i += 2) {
    const std::size_t first = offsets[i];
    const std::size_t second = offsets[i + 1];
    slots[i] = aStart + first;
    slots[i + 1] = aStart + second;
  }
  if (i < aRun.marks)
    slots[i] = aStart + offsets[i];
}

void TLineShape::PlaceFixedOffsets(std::size_t* aOffsets) const {
  if (!steps_.empty() && !steps_.front().repeat)
    PlaceMarks(steps_.front(), markOffsets_.data(), 0, aOffsets);
}

bool TLineShape::Match(std::string_view aLine, std::size_t* aOffsets, bool aWithoutLineEnds,
                       bool aFixedInPlace) const {
  const auto* const bytes = reinterpret_cast<const unsigned char*>(aLine.data());
  const std::size_t size = aLine.size();
  std::size_t at = 0;
  const Step* step = steps_.data();
  const Step* const stepsEnd = step + steps_.size();
  // The run the pattern begins with starts every line: its offsets are the fixed ones.
  if (step != stepsEnd && !step->repeat) {
    if (size < step->count || !RunMatches(*step, bytes, size))
      return false;
    if (!aFixedInPlace)
      PlaceMarks(*step, markOffsets_.data(), 0, aOffsets);
    at = step->count;
    ++step;
  }
  for (; step != stepsEnd; ++step) {
    const std::size_t start = at;
    if (!step->repeat) {
      if (size - at < step->count || !RunMatches(*step, bytes + at, size - at))
        return false;
      // A run of literal text between groups, such as a field separator, marks nothing.
      if (step->marks != 0)
        PlaceMarks(*step, markOffsets_.data(), start, aOffsets);
      at += step->count;
    } else {
      const std::uint8_t* const table = tables_[step->first].data();
      const std::size_t end = size - at > step->most ? at + step->most : size;
      // A line without line ends holds nothing else such a repeat stops at: the ".*" that ends
      // most patterns takes the rest of the line without a look at it.
      if (aWithoutLineEnds && step->allButLineEnds)
        at = end;
      // Eight bytes at a time first, where the set allows; the loop then takes the last few or
      // stops at once at the byte refused.
      if (step->ranges != 0)
        at = TakeRanges(repeatRanges_[step->ranges - 1], bytes, at, end);
      while (at < end && table[bytes[at]] != 0)
        ++at;
      if (at - start < step->count)
        return false;
      aOffsets[step->openSlot] = start;
      aOffsets[step->closeSlot] = at;
    }
  }
  if (toEnd_ && at != size)
    return false;
  aOffsets[0] = 0;
  aOffsets[1] = at;
  return true;
}

}  // namespace melquon
