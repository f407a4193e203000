#include "engine/report.h"
