#include "runtime/text_file.h"
