#include "runtime/cp1251.h"
