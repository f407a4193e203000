#include "runtime/formats.h"
