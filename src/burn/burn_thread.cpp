#include "burn/burn_thread.h"

#include <algorithm>
#include <utility>

#include "base/result_code.h"
#include "burn/burn_platform.h"
#include "burn/burn_state.h"
#include "recording/burn_rules.h"
#include "recording/rwlib_binding.h"
#include "recording/speed_rule.h"
#include "recording/track_list.h"
#include "res/texts.h"

namespace qx {

namespace {

constexpr uint16_t kSingleSpeed = 176;  // kB/s
// The write call's test flag, and the query of the buffer-underrun protection.
constexpr int32_t kTestWrite = -1;
constexpr int32_t kRealWrite = 0;
constexpr int32_t kBurnProofQuery = -1;
// How often the burn thread looks whether the progress worker has passed its interval step, once
// the hand-over pause is over.
constexpr uint32_t kHandOverPollMs = 10;

}  // namespace

TBurnThread::TBurnThread(const TBurnThreadContext& context, const TBurnRequest& request,
                         std::vector<std::string> trackTags)
    : Request(request), TrackTags(std::move(trackTags)), Context(context) {}

void TBurnThread::Send(const std::string& text) { Context.State.StatusWindow->SendText(text); }

std::string TBurnThread::Text(unsigned id) { return Context.Host.Text(id); }

void TBurnThread::Execute() {
  TBurnState& state = Context.State;
  state.TrackList = std::make_unique<TTrackList>();  // zero-filled
  state.StatusWindow = &Context.Platform.StatusWindow();
  state.TrackList->PathCount = 1;
  const std::string& folder = Request.Folder;
  // A path longer than the track list holds would be cut, and the cut may name another folder:
  // such a path is reported as the missing folder it is for the recording.
  if (folder.size() >= kTrackPathSize || !Context.Platform.FolderExists(folder)) {
    Send(Text(IDS_BURN_FOLDER_MISSING));
    Send(folder);
    state.Result = rsFilesMissing;
    state.TrackList.reset();
    return;
  }
  FillTrackList();
  SetWriteSpeed();
  Context.Platform.RaiseWritePriorities();
  if (Request.WriteMethod == wmTrackAtOnce) Write();
  state.BurnDone = true;
  state.ProgressEvent->Set();  // the progress worker wakes once more and ends
  state.TrackList.reset();
}

void TBurnThread::FillTrackList() {
  FillSingleTrack(*Context.State.TrackList, Request.Folder, static_cast<uint64_t>(Request.FolderSize),
                  TrackTitle(TrackTags), DiscTitle(Request.VolumeTitle, Context.Platform.ShortDate()));
}

void TBurnThread::Write() {
  TBurnState& state = Context.State;
  state.SectorSize = kDataSectorSize;
  StartProgressThread();
  const int32_t result = Context.Library.WriteCdDataTaoPerList(
      state.TrackList.get(), Request.VolumeName.c_str(), state.ProgressInterval,
      state.ProgressEvent->Handle(), Request.TestMode ? kTestWrite : kRealWrite);
  state.LastWriteResult = result;
  if (result == rwlib::rcSuccess) return;
  Send(Text(IDS_SESSION_PROBLEM) + " " + Context.Library.ErrorText(result));
  state.Result = rsRecordingFailed;
}

void TBurnThread::SetWriteSpeed() {
  TRwLibBinding& library = Context.Library;
  TBurnState& state = Context.State;
  const bool burnProof = library.BurnProofControl(kBurnProofQuery) == rwlib::rcSuccess;
  uint16_t first = 0, current = 0, third = 0, highest = 0;
  int32_t result = library.GetCdSpeeds(&first, &current, &third, &highest);
  if (result != rwlib::rcSuccess) Send(Text(IDS_BURN_NO_SPEED_LIST) + " " + library.ErrorText(result));

  TSpeedInputs inputs = Request.Speed;
  inputs.BurnProof = burnProof;
  inputs.HighestWriteSpeed = highest;
  const TSpeedChoice choice = ChooseWriteSpeed(inputs);
  state.PriorSaidHoldThrottle = choice.PriorSaidHoldThrottle;
  result = library.SetCdSpeeds(first, choice.Speed);
  if (result != rwlib::rcSuccess) Send(Text(IDS_BURN_NO_SPEED_SET) + " " + library.ErrorText(result));

  // The recorder may keep a lower speed than the one asked for: the estimate uses what it runs at.
  library.GetCdSpeeds(&first, &current, &third, &highest);
  const uint16_t speed = std::min(choice.Speed, current);
  const int64_t speedX = speed / kSingleSpeed;
  const TTimeEstimate estimate =
      EstimateTime(speedX, Request.FolderSize, Request.ShowSpeed, Request.MediaType, Context.Host);
  state.SpeedX = speedX;
  state.SizeMB = estimate.SizeMB;
  state.SpeedSet = true;
  for (const std::string& line : estimate.Lines) Send(line);

  if (!burnProof) {
    TBurnHost& host = Context.Host;
    state.StatusWindow->Synchronize([&host] { host.DisableHelpButton(); });
  }
}

void TBurnThread::StartProgressThread() {
  TBurnState& state = Context.State;
  state.BurnDone = false;
  state.IntervalReady = false;
  if (!Context.Platform.StartProgressWorker([this] { ProgressThreadProc(); })) return;
  Context.Platform.Sleep(kProgressHandOverMs);
  // The pause is the hand-over; on a machine too busy for it the write must still not start with
  // an interval the worker has not computed yet.
  while (!state.IntervalReady) Context.Platform.Sleep(kHandOverPollMs);
}

void TBurnThread::ProgressThreadProc() {
  TBurnState& state = Context.State;
  TBurnWindow& window = *state.StatusWindow;
  uint64_t total = 0;
  const int32_t count =
      std::clamp<int32_t>(state.TrackList->TrackCount, 0, static_cast<int32_t>(kTrackListEntries));
  for (int32_t i = 0; i < count; ++i) total += state.TrackList->TrackSizes[i];
  if (total == 0) {
    // A project of a multiple of 4 GiB gives the track list 0 in its low 32 bits, and the write
    // still signals at an interval: the rule's smallest, never 0, which a library refuses.
    state.ProgressInterval = ProgressInterval(ProgressSectors(0, state.SectorSize));
    state.IntervalReady = true;
    window.SendText(std::string());
    return;
  }
  const uint64_t sectors = ProgressSectors(total, state.SectorSize);
  state.ProgressInterval = ProgressInterval(sectors);
  state.IntervalReady = true;
  uint64_t done = 0;
  bool last = false;
  while (!last) {
    state.ProgressEvent->Wait();
    done += static_cast<uint64_t>(state.ProgressInterval);
    const int percent = ProgressPercent(done, sectors);
    Context.Platform.YieldTimeSlice();
    window.SendProgress(percent, 100);
    state.ProgressEvent->Reset();
    last = state.BurnDone;
  }
}

}  // namespace qx
