// The session's view on the Win32 window and its controls.
#include "ui/session_view_win32.h"

#include "res/resource_ids.h"

namespace qx {

HWND TWin32SessionView::Button(TButtonId button) const {
  return Window.Control(button == TButtonId::ButtonLeft ? IDC_BUTTON_LEFT : IDC_BUTTON_RIGHT);
}

TGauge& TWin32SessionView::Gauge(TGaugeId gauge) const {
  return gauge == TGaugeId::ProgressBarLeft ? Window.ProgressBarLeft : Window.ProgressBar;
}

void TWin32SessionView::AppendStatus(const std::string& item) { Window.AppendStatus(item); }

void TWin32SessionView::SetCaption(TButtonId button, const std::string& caption) {
  SetWindowTextA(Button(button), caption.c_str());
}

std::string TWin32SessionView::Caption(TButtonId button) {
  HWND control = Button(button);
  const int length = GetWindowTextLengthA(control);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(control, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void TWin32SessionView::SetEnabled(TButtonId button, bool enabled) {
  EnableWindow(Button(button), enabled ? TRUE : FALSE);
}

bool TWin32SessionView::Enabled(TButtonId button) { return IsWindowEnabled(Button(button)) != FALSE; }

void TWin32SessionView::Focus(TButtonId button) { SetFocus(Button(button)); }

void TWin32SessionView::SetHintShown(TButtonId button, bool shown) {
  Window.SetButtonHintShown(button, shown);
}

int TWin32SessionView::Progress(TGaugeId gauge) { return Gauge(gauge).Progress(); }

void TWin32SessionView::SetProgress(TGaugeId gauge, int value) { Gauge(gauge).SetProgress(value); }

int TWin32SessionView::MaxValue(TGaugeId gauge) { return Gauge(gauge).MaxValue(); }

void TWin32SessionView::SetMaxValue(TGaugeId gauge, int value) { Gauge(gauge).SetMaxValue(value); }

int TWin32SessionView::PercentDone(TGaugeId gauge) { return Gauge(gauge).PercentDone(); }

std::string TWin32SessionView::Hint(TGaugeId gauge) { return Window.GaugeHint(gauge); }

void TWin32SessionView::SetHint(TGaugeId gauge, const std::string& hint) { Window.SetGaugeHint(gauge, hint); }

void TWin32SessionView::ShowWindow() { Window.Show(); }

void TWin32SessionView::Repaint() { Window.Repaint(); }

void TWin32SessionView::RequestClose() { Window.Close(); }

void TWin32SessionView::SetShutdownBlockReason(const std::string& reason) {
  Window.SetShutdownBlockReason(reason);
}

}  // namespace qx
