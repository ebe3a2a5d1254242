#pragma once
// The application object: the message loop, one round of pending-message processing and the
// terminating flag that waits look at. The composition root owns the one instance of a run and
// hands it to the window and the hosts.
#include <windows.h>

namespace qx {

class TApplication {
public:
  TApplication() = default;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Loads what the window needs of the common controls.
  void Initialize();
  // Runs the message loop until the application terminates.
  void Run();
  // Handles every pending message, then returns. A quit message sets Terminated.
  void ProcessMessages();
  // Asks the message loop to end.
  void Terminate();

  // Called once when the message loop starts, before the first message is taken.
  void (*OnRunStart)(void* context) = nullptr;
  void* OnRunStartContext = nullptr;
  // Called when a quit message is taken (any process may post one) or the loop cannot go on: the
  // session ends itself as one of its results from there. Where it returns, Terminated is set and
  // the loop ends.
  void (*OnQuit)(void* context) = nullptr;
  void* OnQuitContext = nullptr;

  bool Running = false;  // the message loop has started
  bool Terminated = false;
  HWND MainWindow = nullptr;  // the first window created: dialog keys go to it

private:
  void Dispatch(MSG& message);
  void Quit();
};

}  // namespace qx
