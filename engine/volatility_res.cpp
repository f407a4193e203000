#include "engine/volatility_res.h"
