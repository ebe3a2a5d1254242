#pragma once
// What the session shows: the status memo, the two buttons and the two gauges of the main window.
// The session controller (form_main.h) drives the window only through this interface; the Win32
// window implements it in src/app, the native tests with a fake that records every call.
#include <string>

namespace qx {

enum class TButtonId { ButtonLeft, ButtonRight };
enum class TGaugeId { ProgressBarLeft, ProgressBar };

class TSessionView {
public:
  virtual ~TSessionView() = default;

  // Appends one item to the status memo; the item starts on a line of its own. Every change of the
  // memo reaches the controller as MemoStatusChange.
  virtual void AppendStatus(const std::string& item) = 0;

  virtual void SetCaption(TButtonId button, const std::string& caption) = 0;
  virtual std::string Caption(TButtonId button) = 0;
  virtual void SetEnabled(TButtonId button, bool enabled) = 0;
  virtual bool Enabled(TButtonId button) = 0;
  virtual void Focus(TButtonId button) = 0;
  // Whether the button's hint is shown when the mouse rests on it.
  virtual void SetHintShown(TButtonId button, bool shown) = 0;

  // The gauges keep the rules of TGauge: a position is clamped to the range, the maximum is set
  // after the position by the burn messages.
  virtual int Progress(TGaugeId gauge) = 0;
  virtual void SetProgress(TGaugeId gauge, int value) = 0;
  virtual int MaxValue(TGaugeId gauge) = 0;
  virtual void SetMaxValue(TGaugeId gauge, int value) = 0;
  virtual int PercentDone(TGaugeId gauge) = 0;
  virtual std::string Hint(TGaugeId gauge) = 0;
  virtual void SetHint(TGaugeId gauge, const std::string& hint) = 0;

  // Shows the window (again) and brings it to the front.
  virtual void ShowWindow() = 0;
  // Paints the whole window now, without waiting for the message loop.
  virtual void Repaint() = 0;
  // Asks the window to close with the window itself as sender; FormClose refuses it.
  virtual void RequestClose() = 0;
  // The reason the system shows for a log-off or shutdown that the session holds back; empty:
  // none held back. A platform without the call ignores it.
  virtual void SetShutdownBlockReason(const std::string& reason) { (void)reason; }
};

}  // namespace qx
