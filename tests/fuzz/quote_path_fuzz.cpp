// A day file's bytes through the quote path into a result set, with the sample archive's
// FindWhat and ReplaceWith and a skip window.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/quote_lines.h"
#include "engine/quote_source.h"
#include "engine/reg_exp.h"
#include "engine/run_log.h"
#include "engine/settings.h"
#include "engine/skip_intervals.h"
#include "engine/volatility_res.h"

namespace {

// Keeps nothing: the texts of faults and counted moves are still built, at every level.
class TQuietLog : public melquon::TRunLog {
 public:
  bool Passes(std::int32_t) const override { return true; }
  void Line(std::int32_t, std::string_view aText, bool) override { size_ += aText.size(); }
  const melquon::FormatSettings& Formats() const override { return formats_; }

 private:
  melquon::FormatSettings formats_;
  std::size_t size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace melquon;
  static TSettings settings = [] {
    TSettings s;
    s.FindWhat = "^$CONTRACT,0,(\\d{4})(\\d\\d)(\\d\\d),(\\d\\d)(\\d\\d)(\\d\\d),([\\d.]+),.*$";
    s.ReplaceWith = "CONTRACT=$7&DT=$3.$2.$1 $4:$5:$6";
    return s;
  }();
  static TRegExp regExp;
  regExp.Global = regExp.IgnoreCase = regExp.Multiline = true;
  static TSkipIntervals windows = [] {
    TSkipIntervals w;
    w.Items.emplace_back(14LL * 3600000, 14LL * 3600000 + 3 * 60000);
    return w;
  }();
  TQuietLog log;
  TQuoteSource source(settings, regExp, windows, TDateTextReader(FormatSettings{}, 2009), log);
  TQuoteLines lines;
  lines.SetText(std::string_view(reinterpret_cast<const char*>(aData), aSize));
  TVolatilityRes result(1, 39825.0, 1, 250, 4);
  result.AttachLog(log);
  std::int32_t index = -1;
  double price = 0.0;
  while (GetNextQuote(source, lines, "RIH9", index, price)) {
    result.ApplyNewQuote(0, index, price);
  }
  // Every line is counted once.
  if (source.Stats().Lines() != lines.Count()) {
    __builtin_trap();
  }
  return 0;
}
