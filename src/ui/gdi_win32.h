#pragma once
// The off-screen surface every skinned control composes its picture on before copying it to the
// screen in one step, and solid fills. The owners of GDI objects are in platform/handles_win32.h.
#include <windows.h>

#include "platform/handles_win32.h"
#include "ui/gradient_rules.h"

namespace qx {

// A bitmap of `width` x `height` compatible with `target`, selected into a memory context.
class TOffscreen {
public:
  TOffscreen(HDC target, int width, int height);
  ~TOffscreen();
  TOffscreen(const TOffscreen&) = delete;
  TOffscreen& operator=(const TOffscreen&) = delete;
  HDC Dc() const { return Memory; }
  // Copies the picture to `target` at (left, top) in one step.
  void CopyTo(HDC target, int left, int top) const;

private:
  HDC Memory;
  TBitmap Bitmap;
  HGDIOBJ Previous = nullptr;
  int Width, Height;
};

inline COLORREF ToColorRef(TColor color) { return static_cast<COLORREF>(color); }

// Fills `area` with a solid color.
void FillSolid(HDC dc, const RECT& area, COLORREF color);

}  // namespace qx
