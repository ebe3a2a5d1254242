#pragma once
// TBurnDataModule: the owner of a recording. The session asks it to start one from a request,
// whether one runs, and to abort one; it reads the track tags from the cover sheet, creates the
// burn thread, and when that thread has ended runs the completion on the window thread: the bar's
// hint, then the session's handler with the outcome, inside which the module ejects the disc and
// hands the priorities back (ReleaseDrive). Portable: the threads, the event and the priorities
// are behind TBurnPlatform, the window and the host behind TBurnHost.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "burn/burn_request.h"
#include "burn/burn_state.h"

namespace qx {

class TBurnHost;
class TBurnPlatform;
class TBurnThread;
class TRwLibBinding;

class TBurnDataModule : public TBurnControl {
public:
  // How long an abort waits for the write call to return before it gives the library up.
  static constexpr uint32_t kAbortWaitMs = 15000;

  TBurnDataModule(TBurnHost& host, TRwLibBinding& library, TBurnPlatform& platform);
  ~TBurnDataModule() override;

  // Reads the track tags and starts the burn thread; false only when the platform cannot start it.
  bool StartBurn(const TBurnRequest& request, TRecordingFinished finished) override;
  bool BurnRunning() override { return BurnThread != nullptr; }
  // Stops a running recording: the write is aborted, the disc ejected, the library released.
  TBurnOutcome AbortBurn() override;
  void ReleaseDrive() override;

  // Every key=value line of the cover sheet's "TRACKS AND TAGS" section; empty when the file or
  // the section is missing or cannot be read.
  std::vector<std::string> ReadTrackTags();
  // The completion, on the window thread after the burn thread's Execute has returned.
  void BurnFinished();

  // The running burn, or null. Dropped by the completion and the abort; the thread object itself
  // lives on until its thread has ended (OwnedThread). Window thread only.
  TBurnThread* BurnThread = nullptr;
  // The state the burn thread, its progress worker and the abort share (each field says who
  // writes it).
  TBurnState State;

private:
  // The platform's call once the thread (and its progress worker) ended.
  void ThreadEnded();
  TBurnOutcome Outcome() const;
  void ShowProgressHint();

  TBurnHost& Host;
  TRwLibBinding& Library;
  TBurnPlatform& Platform;
  std::unique_ptr<TBurnThread> OwnedThread;
  TRecordingFinished Finished;   // the session's handler of the running burn; window thread only
  bool LibraryReleased = false;  // the abort released (or gave up) the library: nothing calls into it again
  bool Aborted = false;          // the abort has ended this burn: its completion does not run
};

}  // namespace qx
