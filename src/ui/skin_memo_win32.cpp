#include "ui/skin_memo_win32.h"

#include "ui/gdi_win32.h"
#include "ui/parent_background_win32.h"

namespace qx {

namespace {

// Messages after which the edit may have moved its text by copying pixels, which would carry
// the background along with it.
bool MayScroll(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case EM_SETSEL:
    case EM_SCROLL:
    case EM_LINESCROLL:
    case EM_SCROLLCARET:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return true;
    case WM_MOUSEMOVE:  // selecting text may scroll it
      return (wParam & MK_LBUTTON) != 0;
    default: return false;
  }
}

}  // namespace

void TSkinMemo::Attach(HWND memo) { Subclass(memo); }

void TSkinMemo::SetOptions(TSkinOptions options) {
  Options = options;
  if (Window) InvalidateRect(Window, nullptr, TRUE);
}

void TSkinMemo::SetFontColor(TColor color) {
  FontColor = color;
  if (Window) InvalidateRect(Window, nullptr, TRUE);
}

bool TSkinMemo::Reflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, ToColorRef(FontColor));
  if (!Transparent()) return false;
  // No box behind the text and no fill: the background is already under it.
  SetBkMode(dc, TRANSPARENT);
  result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  return true;
}

void TSkinMemo::Compose(HDC target) {
  RECT client;
  GetClientRect(Window, &client);
  HideCaret(Window);
  {
    TOffscreen picture(target, client.right + 1, client.bottom + 1);
    PaintParentBackground(Window, picture.Dc());
    Default(WM_PAINT, reinterpret_cast<WPARAM>(picture.Dc()), 0);
    picture.CopyTo(target, 0, 0);
  }
  ShowCaret(Window);
}

void TSkinMemo::Recompose() {
  {
    TWindowDc dc(Window);
    Compose(dc.Get());
  }
  ValidateRect(Window, nullptr);
}

LRESULT TSkinMemo::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Transparent()) return Default(message, wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND: PaintParentBackground(Window, reinterpret_cast<HDC>(wParam)); return 1;
    case WM_PAINT: {
      if (wParam) return Default(message, wParam, lParam);
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Window, &paint);
      Compose(dc);
      EndPaint(Window, &paint);
      return 0;
    }
    case WM_MOVE:
    case WM_SIZE: {
      const LRESULT result = Default(message, wParam, lParam);
      InvalidateRect(Window, nullptr, TRUE);
      return result;
    }
    default: break;
  }
  const LRESULT result = Default(message, wParam, lParam);
  if (MayScroll(message, wParam) && IsWindowVisible(Window)) Recompose();
  return result;
}

}  // namespace qx
