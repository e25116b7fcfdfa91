#include "CtrvGeometry.h"

double CtrvGeometry::radianToDegrees(double a) { return a * 180.0 / PI; }

double CtrvGeometry::degreesToRadian(double a) { return a * PI / 180.0; }
