#include "engine/reg_exp.h"
