#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reg_exp.h"

namespace melquon {

// Reads the CONTRACT and DT items of a line rewritten by the expression, as ReadQuoteItems
// reads them from the replaced text. Where the replacement text allows, the items are read
// straight from the match's groups without building the replaced text: when the match spans
// the whole line, names come only from the replacement's literal text, and no group brings in
// a byte that could cut or name items differently (&, =, quotes, CR, LF). Any other line is
// replaced and read in full.
class TQuoteItemReader {
 public:
  // aDirect false always takes the full way: what the direct one is held to.
  explicit TQuoteItemReader(bool aDirect = true) : direct_(aDirect) {}

  // Tells the reader the replacement text and pattern of the lines that follow; looked at
  // again only when this is called, so a caller calls it whenever either may have changed.
  void Prepare(const TRegExp& aRegExp, const std::string& aReplacement);
  // aLine is valid UTF-8 and holds no CR or LF, as every line cut from a file. The texts stay valid
  // until the next call or the next replacement of aRegExp. Throws what the expression throws.
  // aLineMayHoldEquals false tells that the line holds no "=", so that unmatched it names no item.
  void Read(TRegExp& aRegExp, std::string_view aLine, const std::string& aReplacement,
            std::string_view& aPrice, std::string_view& aDateTime, bool aLineMayHoldEquals = true);
  // After Read: whether the DT text is eight bytes of a clock's shape put together from three
  // groups, and then those bytes in one word, the first in the lowest bits.
  bool DateTimeClock(std::uint64_t& aWord) const {
    aWord = dateTimeClock_;
    return dateTimeIsClock_;
  }

 private:
  // A piece of an item's value: literal text or a group of the match.
  struct ValuePiece {
    bool isGroup = false;
    std::uint32_t group = 0;
    // The literal text is its first literalSize bytes; spare bytes may follow.
    std::string literal;
    std::size_t literalSize = 0;

    std::string_view Literal() const { return std::string_view(literal.data(), literalSize); }
  };
  // The value of an item read straight from the pieces; found false when there is no item.
  struct ItemValue {
    bool found = false;
    std::vector<ValuePiece> pieces;
    std::size_t literalBytes = 0;
    std::size_t groupRefs = 0;
    // Three groups with one character between each two ($4:$5:$6): a clock's shape, put
    // together in one word when each group holds two bytes. The groups, and the two
    // characters at their places in the word.
    bool clock = false;
    std::uint32_t clockGroups[3] = {};
    std::uint64_t clockSeparators = 0;
  };

  // Works out the items from the replacement's pieces; usable_ false when they can't be.
  void Plan(TRegExp& aRegExp, const std::string& aReplacement);
  bool ReadDirectly(const TRegExp& aRegExp, std::string_view aLine, std::string_view& aPrice,
                    std::string_view& aDateTime);
  // A value of one piece is a view of it; only one of more is put together in aBuffer, out
  // of line.
  static std::string_view ValueOf(const TRegExp::TMatchOffsets& aMatch, std::string_view aLine,
                                  const ItemValue& aItem, std::string& aBuffer);
  static bool JoinClock(const TRegExp::TMatchOffsets& aMatch, std::string_view aLine,
                        const ItemValue& aItem, std::string& aBuffer, std::string_view& aValue,
                        std::uint64_t& aWord);
  [[gnu::noinline]] static std::string_view JoinPieces(const TRegExp::TMatchOffsets& aMatch,
                                                       std::string_view aLine,
                                                       const ItemValue& aItem,
                                                       std::string& aBuffer);

  bool direct_;
  // What the plan was made for.
  bool planned_ = false;
  bool prepared_ = false;
  std::uint64_t plannedPattern_ = 0;
  std::string plannedReplacement_;
  bool usable_ = false;
  // Some group the replacement puts in may hold a byte that ends, quotes or names an item.
  bool groupsMayCutItems_ = true;
  ItemValue price_;
  ItemValue dateTime_;
  std::string priceBuffer_;
  std::uint64_t dateTimeClock_ = 0;
  bool dateTimeIsClock_ = false;
  std::string dateTimeBuffer_;
};

}  // namespace melquon
