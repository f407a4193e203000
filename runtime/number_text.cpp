#include "runtime/number_text.h"
