#include "bench/tick_data.h"
