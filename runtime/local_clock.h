#pragma once

#include "runtime/date_time.h"

namespace melquon {

// The local wall clock with milliseconds.
LocalDateTime NowLocal();

}  // namespace melquon
