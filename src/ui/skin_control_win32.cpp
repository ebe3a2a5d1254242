#include "ui/skin_control_win32.h"

namespace qx {

namespace {

const char kSkinProperty[] = "QxSkinControl";

}  // namespace

TSkinControl::~TSkinControl() { Release(); }

TSkinControl* TSkinControl::Of(HWND window) {
  return window ? static_cast<TSkinControl*>(GetPropA(window, kSkinProperty)) : nullptr;
}

void TSkinControl::Subclass(HWND window) {
  Release();
  if (!window) return;
  Register(window);
  Subclassed = true;
  Previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TSkinControl::Proc)));
}

void TSkinControl::Register(HWND window) {
  Release();
  Window = window;
  if (window) SetPropA(window, kSkinProperty, this);
}

void TSkinControl::Release() {
  if (!Window) return;
  if (IsWindow(Window)) {
    if (Subclassed) SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous));
    RemovePropA(Window, kSkinProperty);
  }
  Window = nullptr;
  Previous = nullptr;
  Subclassed = false;
}

LRESULT TSkinControl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT TSkinControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(Previous, Window, message, wParam, lParam);
}

LRESULT CALLBACK TSkinControl::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TSkinControl* control = Of(window);
  if (!control) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const WNDPROC previous = control->Previous;
    control->Release();
    return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  return control->Handle(message, wParam, lParam);
}

}  // namespace qx
