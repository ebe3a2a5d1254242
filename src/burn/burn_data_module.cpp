#include "burn/burn_data_module.h"

#include <utility>

#include "burn/burn_platform.h"
#include "burn/burn_thread.h"
#include "recording/rwlib_binding.h"
#include "recording/track_tags.h"

namespace qx {

TBurnDataModule::TBurnDataModule(TBurnHost& host, TRwLibBinding& library, TBurnPlatform& platform)
    : Host(host), Library(library), Platform(platform) {}

TBurnDataModule::~TBurnDataModule() = default;

void TBurnDataModule::ShowProgressHint() { Host.SetBarHint(std::to_string(Host.BarPercentDone())); }

std::vector<std::string> TBurnDataModule::ReadTrackTags() {
  // Read in pieces: a cover sheet of any size gives at worst an empty list.
  TIniSectionReader reader(kTrackTagsSection);
  if (!Host.ReadAppFile(kCoverSheetName, [&reader](const char* data, std::size_t size) {
        reader.Feed(data, size);
        return !reader.Done();
      }))
    return {};
  return reader.Finish();
}

bool TBurnDataModule::StartBurn(const TBurnRequest& request, TRecordingFinished finished) {
  std::vector<std::string> tags = ReadTrackTags();
  // Made here, before the thread exists, so that an abort never meets a half-made event.
  State.ProgressEvent = Platform.CreateProgressEvent();
  if (!State.ProgressEvent) return false;
  // A new burn decides afresh; only the last write result carries over from an earlier one.
  State.Result = -1;
  State.SpeedSet = false;
  const TBurnThreadContext context{Host, Library, Platform, State};
  OwnedThread = std::make_unique<TBurnThread>(context, request, std::move(tags));
  TBurnThread* thread = OwnedThread.get();
  BurnThread = thread;
  Finished = std::move(finished);
  // The completion is attached before the thread can end.
  if (Platform.StartBurnThread([thread] { thread->Execute(); }, [this] { ThreadEnded(); })) return true;
  BurnThread = nullptr;
  OwnedThread.reset();
  Finished = nullptr;
  return false;
}

void TBurnDataModule::ThreadEnded() {
  // The thread has ended: its object goes when the completion is over (a new burn started from
  // inside the completion gets an object of its own).
  std::unique_ptr<TBurnThread> ended = std::move(OwnedThread);
  if (!Aborted) BurnFinished();
}

TBurnOutcome TBurnDataModule::Outcome() const {
  TBurnOutcome outcome;
  outcome.Result = State.Result;
  outcome.SpeedSet = State.SpeedSet;
  if (outcome.SpeedSet) {
    outcome.SpeedX = State.SpeedX;
    outcome.SizeMB = State.SizeMB;
    outcome.PriorSaidHoldThrottle = State.PriorSaidHoldThrottle;
  }
  outcome.LastWriteResult = State.LastWriteResult;
  return outcome;
}

TBurnOutcome TBurnDataModule::AbortBurn() {
  Aborted = true;
  bool faulted = false;
  Library.AbortWrite(&faulted);
  if (!faulted) BurnThread = nullptr;
  // The library goes only once its write call has returned: a write that does not stop within the
  // wait keeps it (and the drive) until the process ends, rather than running on in freed code.
  const bool ended = Platform.WaitBurnThreadEnded(kAbortWaitMs);
  Host.ProcessMessages();
  Host.Beep();
  if (ended && !Library.WriteRunning()) {
    Library.Unload();
    Library.ReleaseRecordingLibrary();
  }
  LibraryReleased = true;
  State.BurnDone = true;
  if (State.ProgressEvent) State.ProgressEvent->Set();
  Platform.RestoreNormalClass();
  ShowProgressHint();
  return Outcome();
}

void TBurnDataModule::BurnFinished() {
  ShowProgressHint();
  // The handler may start the next burn, which stores a handler of its own.
  TRecordingFinished finished = std::move(Finished);
  if (finished)
    finished(Outcome());
  else
    ReleaseDrive();
}

void TBurnDataModule::ReleaseDrive() {
  BurnThread = nullptr;
  Host.Beep();
  if (!LibraryReleased) Library.Unload();
  Host.FillBar();
  Host.ProcessMessages();
  Platform.RestoreNormalClass();
}

}  // namespace qx
