// SPDX-License-Identifier: MIT
#include "CtrvPoint3.h"

#include "geometry/trvConstantInit.h"

TRV_CONSTANT_INIT CtrvPoint3 trvDefaultPoint3(0.0, 0.0, 0.0);
