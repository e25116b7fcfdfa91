// SPDX-License-Identifier: MIT
#include "CtrvVect3.h"

#include "geometry/trvConstantInit.h"

TRV_CONSTANT_INIT double CtrvVect3::s_tolerance = 0.001;

TRV_CONSTANT_INIT CtrvVect3 trvDefaultVect3(1.0, 0.0, 0.0);

double CtrvVect3::tolerance() { return s_tolerance; }

void CtrvVect3::tolerance(double value) { s_tolerance = value; }
