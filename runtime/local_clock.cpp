#include "runtime/local_clock.h"
