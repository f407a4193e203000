#include "runtime/date_time.h"
