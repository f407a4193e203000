#include "log/write_log.h"
