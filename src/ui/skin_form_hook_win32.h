#pragma once
// TSkinFormHook: takes over part of a form's message handling to give it its look: no caption,
// a gradient background, dragging by any free point, and the skinned controls' own drawing.
// Every message passes through the hook's before-step (which may consume it), the form's own
// handling (skipped when consumed) and the hook's after-step (which may change the result).
#include <windows.h>

#include "ui/gradient_rules.h"
#include "ui/skin_rules.h"

namespace qx {

class TSkinFormHook {
public:
  TSkinFormHook() = default;
  ~TSkinFormHook();
  TSkinFormHook(const TSkinFormHook&) = delete;
  TSkinFormHook& operator=(const TSkinFormHook&) = delete;

  // Takes over the handler of `form`, whose frame was made with `borderStyle`, and applies the
  // options. The form's frame gets `borderWidth` pixels of `borderColor` inside its border.
  void Attach(HWND form, TFormBorderStyle borderStyle, int borderWidth, COLORREF borderColor);

  void SetStartColor(TColor color);
  void SetEndColor(TColor color);
  void SetOptions(TSkinOptions options);

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  bool Before(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void After(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void PaintGradient(HDC dc);
  void PaintBorder();
  void ApplyCaption();
  void RepaintGradient();
  void Detach();

  HWND Form = nullptr;
  WNDPROC Previous = nullptr;
  TFormBorderStyle BorderStyle = TFormBorderStyle::Single;
  int BorderWidth = 0;
  COLORREF BorderColor = 0;
  TColor StartColor = MakeColor(0, 0, 255);
  TColor EndColor = MakeColor(0, 0, 0);
  TSkinOptions Options = 0;
};

}  // namespace qx
