#include "ui/skin_form_hook_win32.h"

#include <exception>

#include "ui/gdi_win32.h"
#include "ui/skin_control_win32.h"

namespace qx {

static_assert(kCaptionStyle == WS_CAPTION, "the caption bits");
static_assert(kHitClient == HTCLIENT && kHitCaption == HTCAPTION, "the hit test codes");
static_assert(kSizeRestored == SIZE_RESTORED && kSizeMaximized == SIZE_MAXIMIZED, "size types");

namespace {

const char kHookProperty[] = "QxSkinFormHook";

// The child a parent's message is about, for the messages that the child draws itself.
HWND ChildOf(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return reinterpret_cast<HWND>(lParam);
    default: return nullptr;
  }
}

}  // namespace

TSkinFormHook::~TSkinFormHook() { Detach(); }

void TSkinFormHook::Attach(HWND form, TFormBorderStyle borderStyle, int borderWidth, COLORREF borderColor) {
  Detach();
  Form = form;
  BorderStyle = borderStyle;
  BorderWidth = borderWidth;
  BorderColor = borderColor;
  SetPropA(form, kHookProperty, this);
  Previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TSkinFormHook::Proc)));
  ApplyCaption();
}

void TSkinFormHook::Detach() {
  if (!Form) return;
  if (IsWindow(Form)) {
    SetWindowLongPtrA(Form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
    RemovePropA(Form, kHookProperty);
  }
  Form = nullptr;
  Previous = nullptr;
}

void TSkinFormHook::SetStartColor(TColor color) {
  StartColor = color;
  RepaintGradient();
}

void TSkinFormHook::SetEndColor(TColor color) {
  EndColor = color;
  RepaintGradient();
}

void TSkinFormHook::SetOptions(TSkinOptions options) {
  Options = options;
  ApplyCaption();
  RepaintGradient();
}

void TSkinFormHook::RepaintGradient() {
  if (Form && (Options & ocPaintGradiently))
    RedrawWindow(Form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TSkinFormHook::ApplyCaption() {
  if (!Form) return;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(Form, GWL_STYLE));
  const DWORD wanted = StyleForCaptionOption(style, Options & ocNoCaption, BorderStyle);
  if (wanted == style) return;
  SetWindowLongPtrA(Form, GWL_STYLE, static_cast<LONG_PTR>(wanted));
  // The frame is recomputed; the window keeps its place and size.
  SetWindowPos(Form, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSkinFormHook::PaintGradient(HDC dc) {
  RECT client;
  GetClientRect(Form, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  // Bands from top to bottom.
  TOffscreen picture(dc, width, height);
  for (int i = 0; i < kGradientBands; ++i) {
    const TGradientBand band = GradientBand(i, 0, height, StartColor, EndColor);
    const RECT area{0, band.From, width, band.To};
    FillSolid(picture.Dc(), area, ToColorRef(band.Color));
  }
  picture.CopyTo(dc, client.left, client.top);
}

void TSkinFormHook::PaintBorder() {
  if (BorderWidth <= 0) return;
  RECT window, client;
  GetWindowRect(Form, &window);
  GetClientRect(Form, &client);
  MapWindowPoints(Form, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  RECT ring = client;
  InflateRect(&ring, BorderWidth, BorderWidth);
  const TWindowDc dc(Form, true);
  ExcludeClipRect(dc.Get(), client.left, client.top, client.right, client.bottom);
  FillSolid(dc.Get(), ring, BorderColor);
}

bool TSkinFormHook::Before(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_ERASEBKGND && (Options & ocPaintGradiently)) {
    PaintGradient(reinterpret_cast<HDC>(wParam));
    result = 1;
    return true;
  }
  if (TSkinControl* control = TSkinControl::Of(ChildOf(message, lParam)))
    return control->Reflected(message, wParam, lParam, result);
  return false;
}

void TSkinFormHook::After(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_NCHITTEST: result = static_cast<LRESULT>(HitTestForDrag(result, Options)); break;
    case WM_SIZE:
      if (RepaintsAfterSize(static_cast<int>(wParam), Options))
        RedrawWindow(Form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      break;
    case WM_NCCALCSIZE: {
      // The form's border width: a ring inside the frame that the client area gives up.
      RECT* client = reinterpret_cast<RECT*>(lParam);
      InflateRect(client, -BorderWidth, -BorderWidth);
      break;
    }
    case WM_NCPAINT: PaintBorder(); break;
    default: break;
  }
}

LRESULT TSkinFormHook::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC previous = Previous;
  HWND form = Form;
  LRESULT result = 0;
  try {
    if (Before(message, wParam, lParam, result)) return result;
  } catch (const std::exception&) {
    // No error may cross the platform's message dispatch: it is dropped here.
  }
  result = CallWindowProcA(previous, form, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    Detach();
    return result;
  }
  try {
    After(message, wParam, lParam, result);
  } catch (const std::exception&) {
    // No error may cross the platform's message dispatch: it is dropped here.
  }
  return result;
}

LRESULT CALLBACK TSkinFormHook::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* hook = static_cast<TSkinFormHook*>(GetPropA(window, kHookProperty));
  if (!hook) return DefWindowProcA(window, message, wParam, lParam);
  return hook->Dispatch(message, wParam, lParam);
}

}  // namespace qx
