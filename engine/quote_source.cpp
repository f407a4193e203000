#include "engine/quote_source.h"
