#include "runtime/paths.h"
