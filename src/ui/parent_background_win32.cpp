#include "ui/parent_background_win32.h"

namespace qx {

void PaintParentBackground(HWND child, HDC dc, int left, int top) {
  HWND parent = GetParent(child);
  if (!parent) return;
  POINT position{0, 0};
  MapWindowPoints(child, parent, &position, 1);
  POINT previous;
  SetViewportOrgEx(dc, left - position.x, top - position.y, &previous);
  // The parent's erase draws its gradient; its windowed controls paint themselves.
  SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

}  // namespace qx
