#pragma once
// TGauge: a horizontal bar that shows a position between a minimum and a maximum. It paints its
// whole rectangle itself, off-screen first, answers its position to other processes (uiprobe),
// and lets mouse presses through to its parent like a control without a window of its own.
#include <windows.h>

#include <cstdint>

#include "ui/gauge_rules.h"

namespace qx {

class TGauge {
public:
  TGauge() = default;
  TGauge(const TGauge&) = delete;
  TGauge& operator=(const TGauge&) = delete;

  // Creates the gauge's window as a child of `parent`.
  void Create(HWND parent, int id, const RECT& bounds);
  HWND Handle() const { return Window; }

  int32_t Progress() const { return Model.Progress(); }
  int32_t MaxValue() const { return Model.MaxValue(); }
  int32_t PercentDone() const { return Model.PercentDone(); }

  // Clamps to the range; repaints only when the percentage changes.
  void SetProgress(int32_t value);
  // Throw EInvalidOperation when the range would be the wrong way round.
  void SetMaxValue(int32_t value);
  void SetForeColor(COLORREF color);
  void SetBackColor(COLORREF color);
  void SetBorderStyle(TGaugeBorderStyle style);
  void SetShowText(bool show);

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target);
  void RepaintIf(bool due);

  HWND Window = nullptr;
  TGaugeModel Model;
};

}  // namespace qx
