#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace melquon {

// The highest and the lowest of the prices added since any given one, for counters that
// skip quotes and learn afterwards how far the price went meanwhile. Prices are numbered from 0
// in the order they are added; each end keeps only the prices not outdone by a later one, so a
// look-up is a search among few.
class TPriceWindow {
 public:
  // The number the next price will get.
  std::int64_t Next() const { return next_; }
  void Add(double aPrice);
  // Over the prices numbered aFrom .. Next() - 1; -infinity / +infinity when there are none.
  // Counters visited on every quote ask for no price at all, so that case stays inline.
  double HighestSince(std::int64_t aFrom) const {
    return aFrom >= next_ ? -kInfinity : FirstSince(highs_, aFrom)->price;
  }
  double LowestSince(std::int64_t aFrom) const {
    return aFrom >= next_ ? kInfinity : FirstSince(lows_, aFrom)->price;
  }
  // How many prices the window keeps.
  std::size_t Kept() const { return highs_.size() + lows_.size(); }
  // Forgets every price; the numbering goes on.
  void Clear();

 private:
  struct Entry {
    std::int64_t number;
    double price;
  };

  static constexpr double kInfinity = std::numeric_limits<double>::infinity();

  // The first entry numbered aFrom or later, for aFrom below Next(); the search starts at the
  // newest end, where the counters that look most often look.
  static const Entry* FirstSince(const std::vector<Entry>& aEntries, std::int64_t aFrom);

  std::int64_t next_ = 0;
  // Numbers rising; prices falling in highs_ and rising in lows_.
  std::vector<Entry> highs_;
  std::vector<Entry> lows_;
};

}  // namespace melquon
