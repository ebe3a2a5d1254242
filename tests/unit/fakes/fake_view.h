#pragma once
// The session window in a test: it records what the window shows and notes the calls a test
// checks the order of (memo lines, captions, the buttons' enabled state, showing, painting, close
// requests). The burn workers reach it through the burn platform's window calls while the test
// thread reads it, so every call takes the view's lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "session/form_main.h"

namespace qx::fakes {

class TFakeView : public TSessionView {
public:
  explicit TFakeView(TEventLog& log) : Events(log) {}
  TFormMain* Form = nullptr;  // the form that hears of memo changes and answers close requests

  std::vector<std::string> Memo;
  std::map<TButtonId, std::string> Captions;
  std::map<TButtonId, bool> EnabledState{{TButtonId::ButtonLeft, true}, {TButtonId::ButtonRight, true}};
  std::map<TButtonId, bool> HintShown{{TButtonId::ButtonLeft, true}, {TButtonId::ButtonRight, true}};
  std::optional<TButtonId> Focused;
  std::map<TGaugeId, int> Position{{TGaugeId::ProgressBarLeft, 0}, {TGaugeId::ProgressBar, 0}};
  std::map<TGaugeId, int> Maximum{{TGaugeId::ProgressBarLeft, 100}, {TGaugeId::ProgressBar, 100}};
  std::map<TGaugeId, std::string> Hints;
  std::vector<bool> CloseAnswers;  // what FormClose answered to each close request

  static const char* Name(TButtonId b) { return b == TButtonId::ButtonLeft ? "Left" : "Right"; }

  void AppendStatus(const std::string& item) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Events.Log("Memo:" + item);
    Memo.push_back(item);
    if (Form) Form->MemoStatusChange();
  }
  void SetCaption(TButtonId button, const std::string& caption) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Events.Log(std::string("Caption:") + Name(button) + ":" + caption);
    Captions[button] = caption;
  }
  std::string Caption(TButtonId button) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Captions[button];
  }
  void SetEnabled(TButtonId button, bool enabled) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Events.Log(std::string("Enabled:") + Name(button) + ":" + (enabled ? "1" : "0"));
    EnabledState[button] = enabled;
  }
  bool Enabled(TButtonId button) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return EnabledState[button];
  }
  void Focus(TButtonId button) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Focused = button;
  }
  void SetHintShown(TButtonId button, bool shown) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    HintShown[button] = shown;
  }
  int Progress(TGaugeId gauge) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Position[gauge];
  }
  void SetProgress(TGaugeId gauge, int value) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Position[gauge] = std::clamp(value, 0, Maximum[gauge]);
  }
  int MaxValue(TGaugeId gauge) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Maximum[gauge];
  }
  void SetMaxValue(TGaugeId gauge, int value) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Maximum[gauge] = value;
  }
  int PercentDone(TGaugeId gauge) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Maximum[gauge] ? Position[gauge] * 100 / Maximum[gauge] : 0;
  }
  std::string Hint(TGaugeId gauge) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Hints[gauge];
  }
  void SetHint(TGaugeId gauge, const std::string& hint) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Hints[gauge] = hint;
  }
  void ShowWindow() override { Events.Log("ShowWindow"); }
  void Repaint() override { Events.Log("Repaint"); }
  void RequestClose() override {
    Events.Log("RequestClose");
    CloseAnswers.push_back(Form ? Form->FormClose(false) : false);
  }
  std::string ShutdownBlockReason;
  void SetShutdownBlockReason(const std::string& reason) override {
    Events.Log("ShutdownBlock:" + reason);
    ShutdownBlockReason = reason;
  }

  bool MemoHas(const std::string& item) {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return std::find(Memo.begin(), Memo.end(), item) != Memo.end();
  }

private:
  TEventLog& Events;
  std::recursive_mutex Lock;
};

}  // namespace qx::fakes
