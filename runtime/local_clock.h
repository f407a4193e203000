#pragma once

#include "runtime/date_time.h"

namespace melquon {

// The local wall clock with milliseconds.
LocalDateTime NowLocal();

// The local calendar year; cheap enough to ask once per parsed text.
int CurrentYear();

}  // namespace melquon
