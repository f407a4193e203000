#pragma once

#include <cstdint>
#include <ostream>

#include "engine/calculation.h"

namespace melquon::cli {

// Prints what the quote path makes of the first aLines lines of the first day file of aRun that
// exists: "file", tab, its path; a line each, tab-separated: line index, verdict word, CONTRACT,
// DT, time of day as HH:MM:SS.zzz, reason; then each verdict word with its count over the file.
// Throws when no day file of the run exists.
void ExplainFirstDayFile(const TRunSnapshot& aRun, std::int32_t aLines, std::ostream& aOut);

}  // namespace melquon::cli
