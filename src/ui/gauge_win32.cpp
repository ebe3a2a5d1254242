#include "ui/gauge_win32.h"

#include <string>

#include "res/resource_ids.h"
#include "ui/gdi_win32.h"

namespace qx {

namespace {

void RegisterGaugeClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, QX_GAUGE_WINDOW_CLASS, &existing)) return;
  WNDCLASSA gaugeClass{};
  gaugeClass.lpfnWndProc = procedure;
  gaugeClass.hInstance = instance;
  gaugeClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  gaugeClass.lpszClassName = QX_GAUGE_WINDOW_CLASS;
  RegisterClassA(&gaugeClass);
}

RECT ToRect(const TGaugeRect& area) { return RECT{area.Left, area.Top, area.Right, area.Bottom}; }

}  // namespace

void TGauge::Create(HWND parent, int id, const RECT& bounds) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterGaugeClass(instance, WindowProc);
  Window = CreateWindowExA(0, QX_GAUGE_WINDOW_CLASS, "", WS_CHILD | WS_VISIBLE, bounds.left, bounds.top,
                           bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TGauge::RepaintIf(bool due) {
  if (due && Window) InvalidateRect(Window, nullptr, FALSE);
}

void TGauge::SetProgress(int32_t value) { RepaintIf(Model.SetProgress(value)); }
void TGauge::SetMaxValue(int32_t value) { RepaintIf(Model.SetMaxValue(value)); }
void TGauge::SetForeColor(COLORREF color) { RepaintIf(Model.SetForeColor(color)); }
void TGauge::SetBackColor(COLORREF color) { RepaintIf(Model.SetBackColor(color)); }
void TGauge::SetBorderStyle(TGaugeBorderStyle style) { RepaintIf(Model.SetBorderStyle(style)); }
void TGauge::SetShowText(bool show) { RepaintIf(Model.SetShowText(show)); }

void TGauge::Paint(HDC target) {
  RECT client;
  GetClientRect(Window, &client);
  const TGaugePicture shape = Model.Picture(client.right, client.bottom);
  // Composed off-screen and copied in one step, so the bar never flickers.
  TOffscreen picture(target, client.right, client.bottom);
  FillSolid(picture.Dc(), ToRect(shape.Bar), ToColorRef(Model.BackColor()));
  if (shape.Filled.Right > shape.Filled.Left)
    FillSolid(picture.Dc(), ToRect(shape.Filled), ToColorRef(Model.ForeColor()));
  if (Model.ShowText()) {
    const std::string caption = Model.Caption();
    SetBkMode(picture.Dc(), TRANSPARENT);
    SetTextColor(picture.Dc(), RGB(255, 255, 255));
    DrawTextA(picture.Dc(), caption.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  picture.CopyTo(target, 0, 0);
}

LRESULT CALLBACK TGauge::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TGauge* gauge = reinterpret_cast<TGauge*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND: return 1;             // the paint covers the whole rectangle
    case WM_NCHITTEST: return HTTRANSPARENT;  // a press on the bar is a press on the window behind it
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (gauge) gauge->Paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case QX_GAUGE_GET_PROGRESS: return gauge ? gauge->Progress() : 0;
    case QX_GAUGE_GET_MAX: return gauge ? gauge->MaxValue() : 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace qx
