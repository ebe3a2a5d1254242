#pragma once
// TMainWindow: the applet's only window on Win32 (its window class keeps the name "TFormMain",
// by which tools find it). It shows the logo, the two-part progress bar, the status memo and the
// two buttons, and hands every event to the session's controller (TFormMain in src/session)
// through TMainWindowEvents. It decides nothing itself: closes, the shell's AutoPlay and button
// presses are answered by the controller. The burn worker's two messages are its own work.
#include <windows.h>

#include <cstdint>
#include <string>

#include "burn/burn_mailbox.h"
#include "platform/handles_win32.h"
#include "session/session_view.h"
#include "ui/display_info_win32.h"
#include "ui/gauge_win32.h"
#include "ui/gdi_win32.h"
#include "ui/skin_button_win32.h"
#include "ui/skin_form_hook_win32.h"
#include "ui/skin_memo_win32.h"

namespace qx {

// What the window reports to the session. Every handler may be left as it is.
class TMainWindowEvents {
public:
  virtual ~TMainWindowEvents() = default;
  // Every activation of the application once the message loop runs (an activation during the
  // window's creation is delivered when the loop starts).
  virtual void ApplicationActivated() {}
  virtual void ButtonClicked(TButtonId) {}
  // True when the close may go ahead.
  virtual bool CloseQuery(bool senderIsRightButton) { return senderIsRightButton; }
  virtual void MemoChanged() {}
  // True while the shell's AutoPlay for an inserted disc is refused.
  virtual bool RefuseAutoPlay() { return false; }
  // The system's log-off or shutdown: the query (true: agreed), the window's own notice once an
  // agreement has been answered, and the end itself (`ending`) or its calling off.
  virtual bool QueryEndSession() { return true; }
  virtual void EndSessionAgreed() {}
  virtual void EndSession(bool) {}
  virtual void Destroyed() {}
};

class TApplication;

class TMainWindow {
public:
  // Creates the window and its controls, hidden; the session shows it. The window becomes the
  // application's main window when it is the first; on NT (`isNT`) its first show brings it to
  // the front.
  TMainWindow(TApplication& application, bool isNT);
  ~TMainWindow();
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  void SetEvents(TMainWindowEvents* events) { Events = events ? events : &NoEvents; }
  // Where the burn workers leave what the messages 1124 and 1125 ring for; without one, the
  // rings do nothing.
  void SetBurnMailbox(TBurnMailbox* mailbox) { Mailbox = mailbox; }
  // The reason the system shows for a log-off or shutdown held back; empty: none. The calls
  // are looked up at run time, so a system without them (the 9x family, XP) still runs.
  void SetShutdownBlockReason(const std::string& reason);
  // The message loop has started: an activation that came earlier is delivered now.
  void ApplicationRunning();

  HWND Handle() const { return Window; }
  HWND Control(int id) const { return GetDlgItem(Window, id); }

  // Appends one item to the status memo; the item starts on a line of its own.
  void AppendStatus(const std::string& item);
  std::string StatusText() const;
  // Shows the window and brings it to the front; on NT the first show minimises and restores
  // the application once, so that a freshly started program may take the foreground.
  void Show();
  void Repaint();
  // Requests a close with the window itself as sender.
  void Close();
  // The left button's hint ("Opens a web page") shown or not.
  void SetButtonHintShown(TButtonId button, bool shown);
  void SetGaugeHint(TGaugeId gauge, const std::string& hint);
  std::string GaugeHint(TGaugeId gauge) const;

  TGauge ProgressBarLeft;
  TGauge ProgressBar;
  TSkinMemo MemoStatus;
  TSkinButton ButtonLeft;
  TSkinButton ButtonRight;
  TSkinFormHook SkinFormHook;
  TDisplayInfo DisplayInfo1;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void ApplySkin();
  void OnBurnProgress();
  void OnBurnText();
  void SetProgressFromWorker(int position, int maximum);
  void OnActivate();

  TApplication& Application;
  const bool IsNT;
  HWND Window = nullptr;
  HWND Tips = nullptr;
  TMainWindowEvents* Events;
  TMainWindowEvents NoEvents;
  TBurnMailbox* Mailbox = nullptr;
  // Set while this object destroys its window: a destroy message from anywhere else is ignored.
  bool Destroying = false;
  UINT QueryCancelAutoPlayMessage = 0;
  bool ActivatedBeforeRun = false;
  bool ShownOnce = false;
  bool LeftHintShown = true;
  std::string LeftHint;
  std::string ProgressBarHint = "-";
  TGdiObject<HFONT> Font;
  TGdiObject<HFONT> LabelFont;
  TGdiObject<HBITMAP> Logo;
  TGdiObject<HBRUSH> Background;
};

}  // namespace qx
