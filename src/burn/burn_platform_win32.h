#pragma once
// The recording's platform on Win32: the burn thread and the progress worker, the library's event,
// the priorities, and the two synchronous messages to the main window.
//
// The completion must run on the window thread after Execute has returned. The burn thread, once
// Execute has returned and its progress worker has ended, posts a message to a message-only window
// that this object makes on the window thread; the window thread's message processing (its loop or
// any wait that processes messages) then runs the completion. Posting keeps the burn thread from
// waiting on the window thread at its end, and waiting for the progress worker first means that
// its last bar update has reached the window before the completion fills the bar. The same
// message-only window carries the one call a worker hands over to the window thread
// (TBurnWindow::Synchronize), sent, so the worker waits for it.
//
// Both windows can be reached by any process, so no message of theirs carries a value that is
// used: the reports wait in the mailbox (burn_mailbox.h) and the call to run in a field of this
// object, and each message only rings; a ring that finds nothing waiting does nothing.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <memory>
#include <string>

#include "platform/handles_win32.h"
#include "burn/burn_mailbox.h"
#include "burn/burn_platform.h"

namespace qx {

class TWin32BurnPlatform : public TBurnPlatform, private TBurnWindow {
public:
  // Made on the window thread, after the main window exists.
  explicit TWin32BurnPlatform(HWND mainWindow);
  ~TWin32BurnPlatform() override;
  TWin32BurnPlatform(const TWin32BurnPlatform&) = delete;
  TWin32BurnPlatform& operator=(const TWin32BurnPlatform&) = delete;

  bool StartBurnThread(std::function<void()> execute, std::function<void()> finished) override;
  std::unique_ptr<TBurnEvent> CreateProgressEvent() override;
  void RestoreNormalClass() override;

  TBurnWindow& StatusWindow() override { return *this; }
  void RaiseWritePriorities() override;
  bool StartProgressWorker(std::function<void()> body) override;
  void Sleep(uint32_t milliseconds) override;
  void YieldTimeSlice() override;
  bool FolderExists(const std::string& path) override;
  std::string ShortDate() override;

  // Where the workers' texts and progress steps wait for the main window's ring handling.
  TBurnMailbox& Mailbox() { return Reports; }
  // Waits, handling only messages sent from other threads (the workers' reports), until the burn
  // thread has ended or the time has passed; true when it has ended (or none runs).
  bool WaitBurnThreadEnded(uint32_t milliseconds) override;

private:
  void SendText(const std::string& text) override;
  void SendProgress(int position, int maximum) override;
  void Synchronize(const std::function<void()>& call) override;

  static LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI BurnThreadProc(void* parameter);
  static DWORD WINAPI ProgressThreadProc(void* parameter);
  void BurnThreadEnded();

  HWND MainWindow;
  HWND NotifyWindow = nullptr;
  std::function<void()> Execute, Finished, ProgressBody;
  TKernelHandle BurnThread, ProgressWorker;
  TBurnMailbox Reports;
  // The call a worker hands over, while its send waits; null otherwise.
  std::mutex CallLock;
  const std::function<void()>* PendingCall = nullptr;
  // Set by the burn thread right before it posts its end: a post from anyone else finds it clear.
  std::atomic<bool> EndPosted{false};
};

}  // namespace qx
