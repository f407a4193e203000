#include "engine/skip_intervals.h"
