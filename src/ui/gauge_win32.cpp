#include "ui/gauge_win32.h"

#include "res/resource_ids.h"
#include "ui/gauge_rules.h"

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

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

}  // namespace

void TGauge::Create(HWND parent, int id, const RECT& bounds) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterGaugeClass(instance, WindowProc);
  Window = CreateWindowExA(0, QX_GAUGE_WINDOW_CLASS, "", WS_CHILD | WS_VISIBLE, bounds.left,
                           bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                           nullptr);
  SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

int32_t TGauge::PercentDone() const { return GaugePercentDone(Min, Max, ProgressValue); }

void TGauge::SetProgress(int32_t value) {
  const int32_t clamped = GaugeClamp(Min, Max, value);
  if (clamped == ProgressValue) return;
  const int32_t before = PercentDone();
  ProgressValue = clamped;
  if (PercentDone() != before) Repaint();
}

bool TGauge::SetMaxValue(int32_t value) {
  if (value == Max) return true;
  if (value < Min) return false;
  Max = value;
  if (ProgressValue > Max) ProgressValue = Max;
  Repaint();
  return true;
}

void TGauge::SetForeColor(COLORREF colour) {
  if (colour == ForeColor) return;
  ForeColor = colour;
  Repaint();
}

void TGauge::SetBackColor(COLORREF colour) {
  if (colour == BackColor) return;
  BackColor = colour;
  Repaint();
}

void TGauge::SetBounds(const RECT& bounds) {
  MoveWindow(Window, bounds.left, bounds.top, bounds.right - bounds.left,
             bounds.bottom - bounds.top, TRUE);
}

void TGauge::Repaint() {
  if (Window) InvalidateRect(Window, nullptr, FALSE);
}

void TGauge::Paint(HDC target) {
  RECT client;
  GetClientRect(Window, &client);
  // Composed off-screen and copied in one step, so the bar never flickers.
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  FillSolid(dc, client, BackColor);
  const int32_t filled = GaugeFilledWidth(client.right - client.left + 1, PercentDone());
  if (filled >= 1) {
    const RECT bar{client.left, client.top, client.left + filled, client.bottom};
    FillSolid(dc, bar, ForeColor);
  }
  BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

LRESULT CALLBACK TGauge::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TGauge* gauge = reinterpret_cast<TGauge*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole rectangle
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (gauge) gauge->Paint(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case QX_GAUGE_GET_PROGRESS:
      return gauge ? gauge->Progress() : 0;
    case QX_GAUGE_GET_MAX:
      return gauge ? gauge->MaxValue() : 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace qx
