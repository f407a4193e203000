#include "engine/quote_lines.h"
