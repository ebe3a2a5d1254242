#pragma once
// What a recording needs of the platform: the burn thread and the progress worker, the event the
// library sets, the priorities, and the window. The workers own no window: everything they show
// reaches the window thread through TBurnWindow, whose calls are synchronous window messages
// (WM_BURNTEXT, WM_BURNPROGRESS) on Win32. The Win32 implementation is burn_platform_win32.cpp;
// native tests use fakes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "recording/library_loader.h"

namespace qx {

// The manual-reset event the library sets each time a further interval of sectors is written.
class TBurnEvent {
public:
  virtual ~TBurnEvent() = default;
  virtual void Set() = 0;
  virtual void Reset() = 0;
  // Waits without time-out until the event is set.
  virtual void Wait() = 0;
  // Where the handle is kept: the write call is given this address.
  virtual void** Handle() = 0;
};

// The main window as the workers reach it. Every call returns when the window thread has handled it.
class TBurnWindow {
public:
  virtual ~TBurnWindow() = default;
  // WM_BURNTEXT: the window appends the text as one memo item.
  virtual void SendText(const std::string& text) = 0;
  // WM_BURNPROGRESS: the window sets the bar's position, then its maximum.
  virtual void SendProgress(int position, int maximum) = 0;
  // Runs the call on the window thread (for the one view change a worker decides: the help
  // button off while an unprotected write runs).
  virtual void Synchronize(const std::function<void()>& call) = 0;
};

// What the recording needs of the session's window and host, on the window thread (texts on any
// thread: they never change). The session hands it over through an adapter of its own;
// the recording never sees the session itself.
class TBurnHost : public TTextSource {
public:
  // The file in the applet folder, handed to `piece` a piece at a time so that a file of any size
  // costs no more memory than one piece; `piece` answers false to stop early. False when the file
  // cannot be read.
  using TFilePiece = std::function<bool(const char* data, std::size_t size)>;
  virtual bool ReadAppFile(const std::string& name, const TFilePiece& piece) = 0;
  virtual void ProcessMessages() = 0;
  // The default system beep.
  virtual void Beep() = 0;
  // The recording gauge: its percentage done, its hint, and the bar filled to its maximum.
  virtual int BarPercentDone() = 0;
  virtual void SetBarHint(const std::string& hint) = 0;
  virtual void FillBar() = 0;
  // The help (left) button off; the next status line turns it on again.
  virtual void DisableHelpButton() = 0;
};

class TBurnPlatform {
public:
  virtual ~TBurnPlatform() = default;

  // --- window thread
  // Starts `execute` on a new thread. When it has returned, and the progress worker it may have
  // started has ended too, `finished` runs on the window thread from its message processing.
  // False when no thread could be started (neither callback runs then).
  virtual bool StartBurnThread(std::function<void()> execute, std::function<void()> finished) = 0;
  virtual std::unique_ptr<TBurnEvent> CreateProgressEvent() = 0;
  // The process back in the normal priority class.
  virtual void RestoreNormalClass() = 0;
  // Waits at most the time for the burn thread started last to end, handling meanwhile only what
  // the workers send to the window (so that they can finish); true when it has ended or none
  // runs. The completion's own notice is not handled here.
  virtual bool WaitBurnThreadEnded(uint32_t milliseconds) = 0;

  // --- burn thread
  // The main window, taken when a burn thread starts its work.
  virtual TBurnWindow& StatusWindow() = 0;
  // High priority class for the process, above normal for the calling thread.
  virtual void RaiseWritePriorities() = 0;
  // Starts the progress worker at below-normal priority; false when it could not be started.
  virtual bool StartProgressWorker(std::function<void()> body) = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
  // Gives the rest of the time slice away.
  virtual void YieldTimeSlice() = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  // Today in the process's short date format ("mm/dd/yyyy").
  virtual std::string ShortDate() = 0;
};

}  // namespace qx
