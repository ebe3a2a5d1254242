#pragma once
// The session's view on the real window: the memo, the two buttons and the two gauges of
// TMainWindow.
#include "ui/main_window_win32.h"
#include "session/session_view.h"

namespace qx {

class TWin32SessionView : public TSessionView {
public:
  explicit TWin32SessionView(TMainWindow& window) : Window(window) {}

  void AppendStatus(const std::string& item) override;
  void SetCaption(TButtonId button, const std::string& caption) override;
  std::string Caption(TButtonId button) override;
  void SetEnabled(TButtonId button, bool enabled) override;
  bool Enabled(TButtonId button) override;
  void Focus(TButtonId button) override;
  void SetHintShown(TButtonId button, bool shown) override;
  int Progress(TGaugeId gauge) override;
  void SetProgress(TGaugeId gauge, int value) override;
  int MaxValue(TGaugeId gauge) override;
  void SetMaxValue(TGaugeId gauge, int value) override;
  int PercentDone(TGaugeId gauge) override;
  std::string Hint(TGaugeId gauge) override;
  void SetHint(TGaugeId gauge, const std::string& hint) override;
  void ShowWindow() override;
  void Repaint() override;
  void RequestClose() override;
  void SetShutdownBlockReason(const std::string& reason) override;

private:
  HWND Button(TButtonId button) const;
  TGauge& Gauge(TGaugeId gauge) const;

  TMainWindow& Window;
};

}  // namespace qx
