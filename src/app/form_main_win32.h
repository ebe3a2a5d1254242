#pragma once
// TFormMain: the applet's only window. It shows the logo, the two-part progress bar, the status
// memo and the two buttons, and refuses every close that does not come from the right button.
// The session that runs in it reaches it through the operations below and TFormMainEvents.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/display_info_win32.h"
#include "ui/gauge_win32.h"
#include "ui/skin_button_win32.h"
#include "ui/skin_form_hook_win32.h"
#include "ui/skin_memo_win32.h"

namespace qx {

// What the session does at the window's events. Every handler may be left as it is.
class TFormMainEvents {
public:
  virtual ~TFormMainEvents() = default;
  virtual void FormCreated() {}               // during creation, before the window is shown
  virtual void ApplicationActivated() {}      // every activation of the application
  virtual void ButtonLeftClick() {}
  virtual void ButtonRightClick() {}
  virtual void FormDestroyed() {}
};

// While true the window refuses the shell's AutoPlay for an inserted disc.
extern bool CancelAutoPlay;

class TFormMain {
public:
  // Creates and shows the window. In preview mode it repaints, waits five seconds without
  // processing messages and requests a close before returning.
  TFormMain(bool previewMode, TFormMainEvents* events);
  ~TFormMain();
  TFormMain(const TFormMain&) = delete;
  TFormMain& operator=(const TFormMain&) = delete;

  HWND Handle() const { return Window; }

  // Keeps the first result code of 2 or more; returns the resulting code.
  int SetResult(int code);
  // Enables the right button with caption 0 "&Cancel" or 1 "&OK"; focuses it for 1, else
  // focuses the left button.
  void SetRightButton(int kind);
  void SetRightButtonCaption(const std::string& caption);
  // Appends one item to the status memo; the item starts on a line of its own.
  void AppendStatus(const std::string& item);
  std::string StatusText() const;

  // Requests a close with the window itself as sender: refused.
  void Close();
  // Requests a close with the right button as sender: the window is destroyed.
  void CloseFromRightButton();

  uint8_t Step = 0;
  int ResultCode = -1;
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
  void FormCreate();
  bool FormClose();  // true when the close may go ahead
  void CreateControls();
  void ApplySkin();
  void MemoStatusChange();
  HWND Control(int id) const { return GetDlgItem(Window, id); }

  HWND Window = nullptr;
  bool PreviewMode;
  TFormMainEvents* Events;
  TFormMainEvents NoEvents;
  UINT QueryCancelAutoPlayMessage = 0;
  bool ClosingFromRightButton = false;
  HFONT Font = nullptr;
  HFONT LabelFont = nullptr;
  HBITMAP Logo = nullptr;
  HBRUSH Background = nullptr;
};

}  // namespace qx
