#include "runtime/date_text.h"
