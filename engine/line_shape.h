#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace melquon {

// A pattern of the plain shape most quote lines are read with, matched without the regular
// expression engine: anchored at the start, a sequence of characters, classes and escapes with
// greedy counts, capturing groups that hold no groups, and maybe "$" at the very end. Every
// repeat is followed by something it cannot match or ends the pattern, so taking all it can is
// what any match must take: the one walk along the line is the first way the engine tries, and
// it finds the match, with the offsets, that the engine finds in a valid UTF-8 line. Where the
// walk fails, the engine fails too, but with Multiline in a line that holds a CR or LF (where
// "$" also matches before one).
class TLineShape {
 public:
  // The shape of aPattern, or none when the pattern is not of this shape. With aIgnoreCase a
  // letter stands for both its cases.
  static std::optional<TLineShape> Of(std::string_view aPattern, bool aIgnoreCase = false);

  // The offsets of the match of aLine (a start and an end for group 0 and each group) into
  // aOffsets, which has room for Pairs() pairs; false when the line does not match.
  // aWithoutLineEnds tells that the line holds no CR or LF. aFixedInPlace tells that aOffsets
  // already holds what PlaceFixedOffsets writes, which the walk then leaves as it is.
  bool Match(std::string_view aLine, std::size_t* aOffsets, bool aWithoutLineEnds = false,
             bool aFixedInPlace = false) const;
  // The offsets every match has alike: those of the groups of the run the pattern begins with,
  // which lie at the same place in every line. A caller matching line after line into the same
  // offsets writes them once.
  void PlaceFixedOffsets(std::size_t* aOffsets) const;
  std::uint32_t Pairs() const { return groups_ + 1; }
  // Whether group aGroup (0: the whole match) of a match may hold the ASCII character aByte;
  // true for a group the pattern does not have. The engine's matches of the pattern obey it
  // too, whichever way they were found.
  bool GroupMayHold(std::uint32_t aGroup, unsigned char aByte) const {
    return aGroup >= groupBytes_.size() || Holds(groupBytes_[aGroup], aByte);
  }

 private:
  // Bytes a step of the pattern takes: one bit for each of the 256 byte values.
  using ByteSet = std::array<std::uint64_t, 4>;
  // A step as read: one set taken min to max times, maybe opening or closing a group.
  struct PatternStep {
    ByteSet bytes{};
    std::uint32_t min = 1;
    std::uint32_t max = 1;
    std::int32_t opens = -1;
    std::int32_t closes = -1;
  };
  // A step as walked: a run of bytes of fixed length, each from its own set, with the group
  // offsets at places within it; or one set repeated, maybe opening or closing a group. A
  // repeat that opens or closes none writes the slots of the whole match, which are written
  // last.
  struct Step {
    bool repeat = false;
    std::uint32_t first = 0;  // the run's sets in sets_, or the repeated set
    std::uint32_t count = 0;  // the run's length, or the least repeat
    std::uint32_t most = 0;   // the most repeat
    // A run writes its group offsets into the slots from firstSlot on, one for each of its
    // marks: the offsets within the run from markOffsets_[firstMark] on.
    std::uint32_t firstMark = 0;
    std::uint32_t marks = 0;
    std::uint32_t firstSlot = 0;
    std::uint32_t openSlot = 0;
    std::uint32_t closeSlot = 1;
    // A run whose every set is a range after folding case is checked eight bytes at a time.
    std::uint32_t firstChunk = 0;
    std::uint32_t chunks = 0;
    // A repeat whose set is at most two ranges after folding case too: 1 + its index in
    // repeatRanges_, or 0.
    std::uint32_t ranges = 0;
    // A repeat whose set holds every byte but CR and LF.
    bool allButLineEnds = false;
  };
  // The two ranges of a repeat's set (the same one twice for one), as the sums that reach the
  // top bit of a byte from the low end on and past the high end, and the fold or-ed in.
  struct RepeatRanges {
    std::uint64_t fold = 0;
    std::uint64_t fromLow[2] = {};
    std::uint64_t pastHigh[2] = {};
  };
  // Up to eight bytes of a run: a byte is taken when, or-ed with its fold, it lies between its
  // low and high (all below 0x80); care has the top bit of each byte of the run.
  struct Chunk {
    std::uint64_t fold = 0;
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::uint64_t care = 0;
    std::uint32_t bytes = 0;
  };
  // Reads a pattern into steps (engine/line_shape_reader.cpp).
  class Reader;
  static constexpr std::uint32_t kUnboundedCount = ~std::uint32_t{0};

  static bool Holds(const ByteSet& aSet, unsigned char aByte) {
    return (aSet[aByte >> 6] >> (aByte & 63) & 1) != 0;
  }
  static bool TakesAllButLineEnds(const ByteSet& aSet);
  static bool TakesAllItCan(const std::vector<PatternStep>& aSteps);
  bool Lower(const std::vector<PatternStep>& aSteps);
  std::uint32_t TableOf(const ByteSet& aSet);
  void ChunkRun(Step& aRun);
  void RangeRepeat(Step& aRepeat);
  static std::size_t TakeRanges(const RepeatRanges& aRanges, const unsigned char* aBytes,
                                std::size_t aAt, std::size_t aEnd);
  static bool ChunkTakes(const Chunk& aChunk, std::uint64_t aWord);
  bool RunMatches(const Step& aRun, const unsigned char* aBytes, std::size_t aLeft) const;
  static void PlaceMarks(const Step& aRun, const std::size_t* aMarkOffsets, std::size_t aStart,
                         std::size_t* aOffsets);

  // One table of 256 flags for each distinct set; the sets of the runs' bytes, in order.
  std::vector<std::array<std::uint8_t, 256>> tables_;
  std::vector<std::uint32_t> sets_;
  std::vector<std::size_t> markOffsets_;
  std::vector<Chunk> chunks_;
  std::vector<RepeatRanges> repeatRanges_;
  std::vector<Step> steps_;
  // The bytes each group's steps take, group 0 those of all steps.
  std::vector<ByteSet> groupBytes_;
  std::uint32_t groups_ = 0;
  bool toEnd_ = false;
};

}  // namespace melquon
