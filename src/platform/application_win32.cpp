#include "platform/application_win32.h"

#include <commctrl.h>

namespace qx {

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void TApplication::Dispatch(MSG& message) {
  // Lets Tab, the arrow keys and Enter move between and press the window's buttons.
  if (MainWindow && IsDialogMessageA(MainWindow, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void TApplication::Run() {
  Running = true;
  if (OnRunStart) OnRunStart(OnRunStartContext);
  MSG message;
  while (!Terminated) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      Quit();
      break;
    }
    Dispatch(message);
  }
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      Quit();
      return;
    }
    Dispatch(message);
  }
}

void TApplication::Quit() {
  // The session ends the way it always ends, its waits still handling messages, so that its last
  // words show and a second quit finds it ending; only where it returns does the loop stop.
  if (OnQuit) OnQuit(OnQuitContext);
  Terminated = true;
}

void TApplication::Terminate() {
  Terminated = true;
  PostQuitMessage(0);
}

}  // namespace qx
