#pragma once
// TBurnThread: one recording, carried out on a worker thread. It fills the track list, sets the
// write speed, starts the progress worker and makes the library's one blocking write call. It owns
// no window: status lines and progress reach the window through TBurnWindow (synchronous window
// messages). The platform runs Execute on its own thread; the data module's completion follows on
// the window thread once Execute has returned.
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

class RwLibBinding;
class TBurnPlatform;
class TFormMain;
class TSessionHost;
class TSessionView;
struct TBurnState;

// What the thread works with: the session it reports to and the shared burn state.
struct TBurnThreadContext {
  TFormMain& Form;
  TSessionView& View;  // touched only inside TBurnWindow::Synchronize, on the window thread
  TSessionHost& Host;  // texts only
  RwLibBinding& Library;
  TBurnPlatform& Platform;
  TBurnState& State;
};

class TBurnThread {
public:
  // Keeps its own copy of the track tags.
  TBurnThread(const TBurnThreadContext& context, bool testMode, uint8_t writeKind,
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

  const bool TestMode;
  const uint8_t WriteKind;  // 2: the track-at-once data write, the only kind that writes
  const std::vector<std::string> TrackTags;

private:
  void Send(const std::string& text);
  std::string Text(unsigned id);
  void FillTrackList();
  void Write();

  TBurnThreadContext Context;
};

}  // namespace qx
