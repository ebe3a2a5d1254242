#pragma once
// TBurnDataModule: the owner of a recording. The session asks it to start one, whether one runs,
// and to abort one; it reads the track tags from the cover sheet, creates the burn thread, and when
// that thread has ended runs the completion on the window thread: the success report, the counters
// and the two summary texts, the disc ejection and the hand-back of the right button. Portable: the
// threads, the event and the priorities are behind TBurnPlatform.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recording/burn_state.h"
#include "session/session_seams.h"

namespace qx {

class RwLibBinding;
class TBurnPlatform;
class TBurnThread;
class TFormMain;
class TSessionHost;
class TSessionView;

class TBurnDataModule : public TBurnControl {
public:
  TBurnDataModule(TSessionView& view, TSessionHost& host, RwLibBinding& library, TBurnPlatform& platform);
  ~TBurnDataModule() override;
  // The window is made before this module and is handed over once both exist.
  void Attach(TFormMain& form) { Form = &form; }

  void SetTestMode(bool testMode) override { TestMode = testMode; }
  // Reads the track tags and starts the burn thread; false only when the platform cannot start it.
  bool StartBurn(uint8_t method) override;
  bool BurnRunning() override { return BurnThread != nullptr; }
  // Stops a running recording: the write is aborted, the disc ejected, the library released and
  // the fail counter of the write method raised.
  void AbortBurn() override;

  // Every key=value line of the cover sheet's "TRACKS AND TAGS" section; empty when the file or
  // the section is missing or cannot be read.
  std::vector<std::string> ReadTrackTags();
  // The completion, on the window thread after the burn thread's Execute has returned.
  void BurnFinished();

  bool TestMode = false;
  // The running burn, or null. Dropped by the completion and the abort; the thread object itself
  // lives on until its thread has ended (OwnedThread).
  TBurnThread* BurnThread = nullptr;
  // The state the burn thread, its progress worker and the abort share.
  TBurnState State;

private:
  // The platform's call once the thread (and its progress worker) ended.
  void ThreadEnded();
  void Append(const std::string& item);
  std::string Text(unsigned id);
  void ReportSuccess();
  void ShowProgressHint();

  TSessionView& View;
  TSessionHost& Host;
  RwLibBinding& Library;
  TBurnPlatform& Platform;
  TFormMain* Form = nullptr;
  std::unique_ptr<TBurnThread> OwnedThread;
  bool LibraryReleased = false;  // the abort released the library: nothing calls into it again
};

}  // namespace qx
