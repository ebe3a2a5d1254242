#pragma once
// The common part of the skinned controls: each takes over its window's message handler and
// answers the messages that its parent receives about it (drawing, colors), which the form's
// hook hands back to it.
#include <windows.h>

namespace qx {

class TSkinControl {
public:
  TSkinControl() = default;
  virtual ~TSkinControl();
  TSkinControl(const TSkinControl&) = delete;
  TSkinControl& operator=(const TSkinControl&) = delete;

  HWND Handle() const { return Window; }

  // The skinned control of `window`, or nullptr when it has none.
  static TSkinControl* Of(HWND window);

  // Answers a message of the parent about this control (WM_DRAWITEM, WM_CTLCOLOR...); false
  // when the parent's own handling should answer it.
  virtual bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

protected:
  // Takes over the handler of `window`; every message then passes through Handle.
  void Subclass(HWND window);
  // Only answers the parent's messages about `window`; its own handler stays as it is.
  void Register(HWND window);
  virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own handling.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  HWND Window = nullptr;

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Release();
  WNDPROC Previous = nullptr;
  bool Subclassed = false;
};

}  // namespace qx
