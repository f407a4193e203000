#include <stdexcept>

#include "engine/calculation.h"
#include "engine/engine.h"

namespace melquon {

std::unique_ptr<TVolatilityRes> Calculate(const std::string& aContract, std::int32_t aIntervalFrom,
                                          std::int32_t aIntervalTo, TDateTime aDateFrom,
                                          TDateTime aDateEnd, std::int32_t aIntervalStep,
                                          const DayProgress& aProgress) {
  if (!Engine().RegExp) {
    throw std::logic_error("The engine is not started");
  }
  TWriteLogRunLog log(RegionalFormats());
  TCalculation run(
      EngineSnapshot(aContract, aIntervalFrom, aIntervalTo, aDateFrom, aDateEnd, aIntervalStep),
      log);
  if (!aProgress) {
    return run.Run();
  }
  return run.Run(
      [&aProgress](const TRunProgress& aDay) { aProgress(aDay.DayIndex, aDay.DaysCount); });
}

}  // namespace melquon
