#pragma once
// What lies behind a transparent child: the parent's own background under the child's rectangle,
// drawn into a device context of the child.
#include <windows.h>

namespace qx {

// Lets the parent of `child` erase into `dc`, shifted so that the child's top-left corner is at
// (left, top) of `dc`.
void PaintParentBackground(HWND child, HDC dc, int left = 0, int top = 0);

}  // namespace qx
