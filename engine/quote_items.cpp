#include "engine/quote_items.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "engine/quote_source.h"

namespace melquon {

namespace {

// Pieces are copied a block at a time where the source has the bytes to spare; the buffer
// always has.
constexpr std::size_t kCopyBlock = 8;

bool IsName(std::string_view aName, std::string_view aLowerName) {
  return aName.size() == aLowerName.size() &&
         std::equal(aName.begin(), aName.end(), aLowerName.begin(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

}  // namespace

void TQuoteItemReader::Plan(TRegExp& aRegExp, const std::string& aReplacement) {
  planned_ = true;
  plannedPattern_ = aRegExp.PatternVersion();
  plannedReplacement_ = aReplacement;
  usable_ = false;
  price_ = ItemValue{};
  dateTime_ = ItemValue{};

  // The replacement is scanned as the item reader scans text, each group standing for plain
  // bytes: items end at "&", CR or LF; the name is what comes before the item's first "=".
  std::string name;
  bool nameHasGroup = false;
  bool inValue = false;
  std::vector<ValuePiece> value;
  const auto endItem = [&] {
    if (inValue) {
      if (nameHasGroup)
        return false;
      for (auto [item, lowerName] : {std::pair(&price_, "contract"), std::pair(&dateTime_, "dt")}) {
        if (!item->found && IsName(name, lowerName)) {
          item->found = true;
          item->pieces = value;
          // Spare bytes after each literal, so that it can be copied a block at a time.
          for (ValuePiece& piece : item->pieces) {
            piece.literalSize = piece.literal.size();
            piece.literal.append(kCopyBlock, '\0');
            item->literalBytes += piece.literalSize;
            item->groupRefs += piece.isGroup ? 1 : 0;
          }
          const auto& pieces = item->pieces;
          item->clock = pieces.size() == 5;
          for (std::size_t i = 0; i < pieces.size() && item->clock; ++i)
            item->clock =
                pieces[i].isGroup == (i % 2 == 0) && (i % 2 == 0 || pieces[i].literalSize == 1);
          if (item->clock) {
            for (std::size_t i = 0; i < 3; ++i)
              item->clockGroups[i] = pieces[2 * i].group;
            item->clockSeparators =
                std::uint64_t{static_cast<unsigned char>(pieces[1].literal[0])} << 16 |
                std::uint64_t{static_cast<unsigned char>(pieces[3].literal[0])} << 40;
          }
        }
      }
    }
    name.clear();
    nameHasGroup = inValue = false;
    value.clear();
    return true;
  };
  groupsMayCutItems_ = false;
  for (const TReplacementPiece& piece : aRegExp.ReplacementPieces(aReplacement)) {
    if (piece.kind == TReplacementPiece::Kind::kGroup) {
      for (const unsigned char stop : {'&', '\r', '\n', '"', '\'', '='})
        groupsMayCutItems_ = groupsMayCutItems_ || aRegExp.GroupMayHold(piece.group, stop);
      if (inValue)
        value.push_back({true, piece.group, {}});
      else
        nameHasGroup = true;
      continue;
    }
    // The text before and after a whole-line match is empty.
    if (piece.kind != TReplacementPiece::Kind::kLiteral)
      continue;
    for (const char c : piece.literal) {
      if (c == '"' || c == '\'')
        return;
      if (c == '&' || c == '\r' || c == '\n') {
        if (!endItem())
          return;
      } else if (!inValue && c == '=') {
        inValue = true;
      } else if (inValue) {
        if (value.empty() || value.back().isGroup)
          value.push_back({});
        value.back().literal += c;
      } else {
        name += c;
      }
    }
  }
  usable_ = endItem();
}

namespace {

char* AppendPiece(char* aTo, std::string_view aText, std::size_t aReadable) {
  if (aText.size() <= kCopyBlock && aReadable >= kCopyBlock)
    std::memcpy(aTo, aText.data(), kCopyBlock);
  else
    std::memcpy(aTo, aText.data(), aText.size());
  return aTo + aText.size();
}

}  // namespace

inline std::string_view TQuoteItemReader::ValueOf(const TRegExp::TMatchOffsets& aMatch,
                                                  std::string_view aLine, const ItemValue& aItem,
                                                  std::string& aBuffer) {
  if (aItem.pieces.size() == 1) {
    const ValuePiece& only = aItem.pieces.front();
    return only.isGroup ? aMatch.Group(aLine, only.group) : only.Literal();
  }
  return JoinPieces(aMatch, aLine, aItem, aBuffer);
}

bool TQuoteItemReader::JoinClock(const TRegExp::TMatchOffsets& aMatch, std::string_view aLine,
                                 const ItemValue& aItem, std::string& aBuffer,
                                 std::string_view& aValue, std::uint64_t& aWord) {
  // Put together in a register, byte k at bits 8k. A group that took no part in the match, or
  // one \K ended before its start, is not two bytes long.
  const std::uint32_t* const groups = aItem.clockGroups;
  if (std::max({groups[0], groups[1], groups[2]}) >= aMatch.pairs)
    return false;
  const std::size_t* const offsets = aMatch.offsets;
  const auto length = [offsets](std::uint32_t aGroup) {
    return offsets[2 * aGroup + 1] - offsets[2 * aGroup];
  };
  if (((length(groups[0]) ^ 2) | (length(groups[1]) ^ 2) | (length(groups[2]) ^ 2)) != 0)
    return false;
  const auto pair = [offsets, aLine](std::uint32_t aGroup) {
    const char* const at = aLine.data() + offsets[2 * aGroup];
    return std::uint64_t{static_cast<unsigned char>(at[0])} |
           std::uint64_t{static_cast<unsigned char>(at[1])} << 8;
  };
  const std::uint64_t clock =
      aItem.clockSeparators | pair(groups[0]) | pair(groups[1]) << 24 | pair(groups[2]) << 48;
  constexpr std::size_t kClockBytes = 8;
  if (aBuffer.size() < kClockBytes)
    aBuffer.resize(kClockBytes);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(aBuffer.data(), &clock, kClockBytes);
  } else {
    for (std::size_t k = 0; k < kClockBytes; ++k)
      aBuffer[k] = static_cast<char>(clock >> (8 * k));
  }
  aValue = std::string_view(aBuffer.data(), kClockBytes);
  aWord = clock;
  return true;
}

std::string_view TQuoteItemReader::JoinPieces(const TRegExp::TMatchOffsets& aMatch,
                                              std::string_view aLine, const ItemValue& aItem,
                                              std::string& aBuffer) {
  // Each group is at most the line long.
  const std::size_t bound = aItem.groupRefs * aLine.size() + aItem.literalBytes + kCopyBlock;
  if (aBuffer.size() < bound)
    aBuffer.resize(bound);
  char* const start = aBuffer.data();
  char* to = start;
  const char* const lineEnd = aLine.data() + aLine.size();
  for (const ValuePiece& piece : aItem.pieces) {
    if (!piece.isGroup) {
      to = AppendPiece(to, piece.Literal(), piece.Literal().size() + kCopyBlock);
      continue;
    }
    const std::string_view text = aMatch.Group(aLine, piece.group);
    if (!text.empty())
      to = AppendPiece(to, text, static_cast<std::size_t>(lineEnd - text.data()));
  }
  return std::string_view(start, static_cast<std::size_t>(to - start));
}

// Every group of a whole-line match lies within the line, so a line without item bytes brings
// none in through any group.
bool TQuoteItemReader::ReadDirectly(const TRegExp& aRegExp, std::string_view aLine,
                                    std::string_view& aPrice, std::string_view& aDateTime) {
  if (groupsMayCutItems_ && HasItemStop(aLine))
    return false;
  const TRegExp::TMatchOffsets match = aRegExp.WholeLineMatch();
  aPrice = price_.found ? ValueOf(match, aLine, price_, priceBuffer_) : std::string_view();
  dateTimeIsClock_ = dateTime_.clock &&
                     JoinClock(match, aLine, dateTime_, dateTimeBuffer_, aDateTime, dateTimeClock_);
  if (!dateTimeIsClock_) {
    aDateTime =
        dateTime_.found ? ValueOf(match, aLine, dateTime_, dateTimeBuffer_) : std::string_view();
  }
  return true;
}

void TQuoteItemReader::Prepare(const TRegExp& aRegExp, const std::string& aReplacement) {
  prepared_ = planned_ && plannedPattern_ == aRegExp.PatternVersion() &&
              plannedReplacement_ == aReplacement;
}

void TQuoteItemReader::Read(TRegExp& aRegExp, std::string_view aLine,
                            const std::string& aReplacement, std::string_view& aPrice,
                            std::string_view& aDateTime, bool aLineMayHoldEquals) {
  dateTimeIsClock_ = false;
  // Planned at the first line, so that an invalid pattern fails where replacing would.
  if (direct_ && !prepared_) {
    Plan(aRegExp, aReplacement);
    prepared_ = true;
  }
  if (direct_ && usable_) {
    switch (aRegExp.MatchLine(aLine, true)) {
      case TLineMatch::kNone:
        // Most lines of other contracts: the line is its own replacement.
        if (aLineMayHoldEquals)
          ReadQuoteItems(aLine, aPrice, aDateTime);
        else
          aPrice = aDateTime = std::string_view();
        return;
      case TLineMatch::kWholeLine:
        if (ReadDirectly(aRegExp, aLine, aPrice, aDateTime))
          return;
        break;
      case TLineMatch::kOther:
        break;
    }
  }
  ReadQuoteItems(aRegExp.ReplaceLine(aLine, aReplacement), aPrice, aDateTime);
}

}  // namespace melquon
