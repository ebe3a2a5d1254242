#include "ui/gdi_win32.h"

namespace qx {

TOffscreen::TOffscreen(HDC target, int width, int height)
    : Memory(CreateCompatibleDC(target)),
      Bitmap(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
      Width(width),
      Height(height) {
  if (Memory && Bitmap.Get()) Previous = SelectObject(Memory, Bitmap.Get());
}

TOffscreen::~TOffscreen() {
  if (Previous) SelectObject(Memory, Previous);
  if (Memory) DeleteDC(Memory);
}

void TOffscreen::CopyTo(HDC target, int left, int top) const {
  BitBlt(target, left, top, Width, Height, Memory, 0, 0, SRCCOPY);
}

void FillSolid(HDC dc, const RECT& area, COLORREF color) {
  TBrush brush(CreateSolidBrush(color));
  FillRect(dc, &area, brush.Get());
}

}  // namespace qx
