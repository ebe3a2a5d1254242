#pragma once
// Owners for GDI objects and device contexts, and the off-screen surface every skinned control
// composes its picture on before copying it to the screen in one step.
#include <windows.h>

#include "ui/gradient_rules.h"

namespace qx {

// A pen, brush, font or bitmap, deleted with its owner.
template <class THandle>
class TGdiObject {
public:
  explicit TGdiObject(THandle handle = nullptr) : Handle(handle) {}
  ~TGdiObject() { Reset(); }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  THandle Get() const { return Handle; }
  void Reset(THandle handle = nullptr) {
    if (Handle) DeleteObject(Handle);
    Handle = handle;
  }

private:
  THandle Handle;
};

using TBrush = TGdiObject<HBRUSH>;
using TFont = TGdiObject<HFONT>;
using TBitmap = TGdiObject<HBITMAP>;

// Selects an object into a device context for the owner's lifetime.
class TSelection {
public:
  TSelection(HDC dc, HGDIOBJ object) : Dc(dc), Previous(SelectObject(dc, object)) {}
  ~TSelection() { SelectObject(Dc, Previous); }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

private:
  HDC Dc;
  HGDIOBJ Previous;
};

// A window's device context, released with its owner.
class TWindowDc {
public:
  explicit TWindowDc(HWND window) : Window(window), Dc(GetDC(window)) {}
  ~TWindowDc() {
    if (Dc) ReleaseDC(Window, Dc);
  }
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  HDC Get() const { return Dc; }

private:
  HWND Window;
  HDC Dc;
};

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

inline COLORREF ToColorRef(TColour colour) { return static_cast<COLORREF>(colour); }

// Fills `area` with a solid colour.
void FillSolid(HDC dc, const RECT& area, COLORREF colour);

}  // namespace qx
