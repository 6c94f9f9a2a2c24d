#pragma once
// VOLK's header calls isinf unqualified. When <cmath> came first and the C library's
// <math.h> is found ahead of the C++ wrapper (as in the arm64 cross build's sysroot),
// cmath has taken the macro away and no global isinf is left: put the C++ one there.

#include <cmath>

using std::isinf;

#include <volk/volk.h>
