#pragma once
// TBurnThread: one recording, carried out on a worker thread. It fills the track list, sets the
// write speed, starts the progress worker and makes the library's one blocking write call. It owns
// no window: status lines and progress reach the window through TBurnWindow (synchronous window
// messages). The platform runs Execute on its own thread; the data module's completion follows on
// the window thread once Execute has returned. What the recording decides for the session it
// leaves in the shared state's outcome values, never in the session itself.
#include <cstdint>
#include <string>
#include <vector>

#include "burn/burn_request.h"

namespace qx {

class TBurnHost;
class TBurnPlatform;
class TRwLibBinding;
struct TBurnState;

// What the thread works with: the request it carries out and the shared burn state.
struct TBurnThreadContext {
  TBurnHost& Host;  // texts on this thread; the help button only inside TBurnWindow::Synchronize
  TRwLibBinding& Library;
  TBurnPlatform& Platform;
  TBurnState& State;
};

class TBurnThread {
public:
  // Keeps its own copies of the request and the track tags.
  TBurnThread(const TBurnThreadContext& context, const TBurnRequest& request,
              std::vector<std::string> trackTags);

  // The thread body.
  void Execute();
  // The speed step: reads the recorder's speeds, applies the speed rule, sets the speed, reports
  // the time estimate.
  void SetWriteSpeed();
  // Starts the progress worker and waits until it has put the progress interval in place.
  void StartProgressThread();
  // The progress worker: turns each signal of the library into a progress step of the bar.
  void ProgressThreadProc();

  const TBurnRequest Request;  // WriteMethod 2, the track-at-once data write, is the only kind that writes
  const std::vector<std::string> TrackTags;

private:
  void Send(const std::string& text);
  std::string Text(unsigned id);
  void FillTrackList();
  void Write();

  TBurnThreadContext Context;
};

}  // namespace qx
