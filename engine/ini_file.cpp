#include "engine/ini_file.h"
