#pragma once
// What crosses the seam between the session and a recording: a request handed in when the
// recording starts and an outcome handed back on the window thread when it ends (or is aborted).
// Both are plain values: the recording never reads the session back, and the session never reads
// the recording's state while a worker may still write it.
#include <cstdint>
#include <functional>
#include <string>

#include "recording/burn_rules.h"
#include "recording/speed_rule.h"

namespace qx {

struct TBurnRequest {
  uint8_t WriteMethod = wmTrackAtOnce;
  std::string Folder;       // the project folder, recorded as the one track
  int64_t FolderSize = 0;   // its size in bytes, as the history gives it
  std::string VolumeName;   // the volume name the library writes
  std::string VolumeTitle;  // the project's title: the disc title begins with it
  bool TestMode = false;    // a simulated write: the library writes nothing
  bool ShowSpeed = false;   // the estimate line names the speed (the history's Testing)
  int32_t MediaType = -1;   // the disc type code of the last disc query
  TSpeedInputs Speed;       // the session's part of the speed rule's inputs
};

struct TBurnOutcome {
  // The code the recording decided for the session (2: no project folder, 7: the write failed),
  // -1 when it decided none.
  int32_t Result = -1;
  // The speed step ran: the three values below are the recording's.
  bool SpeedSet = false;
  int64_t SpeedX = 0;                  // the write speed as a multiple of single speed
  uint32_t SizeMB = 0;                 // the project's size in MB, as the estimate counted it
  bool PriorSaidHoldThrottle = false;  // the speed rule's new hold flag, for the history
  // The library's answer to the last write call; 0 while none has returned.
  int32_t LastWriteResult = 0;
};

// The session's handler of a finished recording; runs on the window thread.
using TRecordingFinished = std::function<void(const TBurnOutcome&)>;

// The burn data module as the session sees it.
class TBurnControl {
public:
  virtual ~TBurnControl() = default;
  // Starts a recording on a worker thread; `finished` gets its outcome once the worker has ended.
  // False when no worker could be started (then `finished` never runs).
  virtual bool StartBurn(const TBurnRequest& request, TRecordingFinished finished) = 0;
  // A burn worker is running.
  virtual bool BurnRunning() = 0;
  // Stops a running recording: aborts the write, ejects the disc, releases the library. The
  // outcome is what the recording had reached; `finished` does not run for an aborted burn.
  virtual TBurnOutcome AbortBurn() = 0;
  // The recording's own part of a completion, which the session's handler calls between its
  // decisions: drops the worker, beeps, ejects the disc, fills the bar, processes the pending
  // messages and puts the process back into the normal priority class.
  virtual void ReleaseDrive() = 0;
};

}  // namespace qx
