#include "engine/volatility_res_item.h"
