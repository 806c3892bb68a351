#pragma once
// GDI+ with the Windows headers it needs, in one place.
#include <windows.h>
#include <objidl.h>
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}
#include <gdiplus.h>
