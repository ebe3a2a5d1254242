#pragma once
// TGauge: a horizontal bar that shows a position between a minimum and a maximum. It paints its
// whole rectangle itself, off-screen first, and answers its position to other processes (uiprobe).
#include <windows.h>

#include <cstdint>

namespace qx {

class TGauge {
public:
  TGauge() = default;
  TGauge(const TGauge&) = delete;
  TGauge& operator=(const TGauge&) = delete;

  // Creates the gauge's window as a child of `parent`.
  void Create(HWND parent, int id, const RECT& bounds);
  HWND Handle() const { return Window; }

  int32_t Progress() const { return ProgressValue; }
  int32_t MinValue() const { return Min; }
  int32_t MaxValue() const { return Max; }
  int32_t PercentDone() const;

  // Clamps to the range; repaints only when the percentage changes.
  void SetProgress(int32_t value);
  // Ignored (false) when it would put the maximum below the minimum; lowers the position.
  bool SetMaxValue(int32_t value);
  void SetForeColor(COLORREF colour);
  void SetBackColor(COLORREF colour);
  void SetBounds(const RECT& bounds);

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target);
  void Repaint();

  HWND Window = nullptr;
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t ProgressValue = 0;
  COLORREF ForeColor = RGB(0, 0, 0);
  COLORREF BackColor = RGB(255, 255, 255);
};

}  // namespace qx
