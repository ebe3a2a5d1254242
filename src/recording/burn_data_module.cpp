#include "recording/burn_data_module.h"

#include <utility>

#include "recording/burn_platform.h"
#include "recording/burn_thread.h"
#include "recording/rwlib_binding.h"
#include "recording/track_tags.h"
#include "res/texts.h"
#include "session/form_main.h"

namespace qx {

namespace {

// The counter of a write method: 0 disc-at-once, 1 session-at-once, 2 track-at-once.
int32_t* MethodCounter(uint8_t method, int32_t& dao, int32_t& sao, int32_t& tao) {
  switch (method) {
    case wmDiscAtOnce: return &dao;
    case wmSessionAtOnce: return &sao;
    case wmTrackAtOnce: return &tao;
    default: return nullptr;
  }
}

}  // namespace

TBurnDataModule::TBurnDataModule(TSessionView& view, TSessionHost& host, RwLibBinding& library,
                                 TBurnPlatform& platform)
    : View(view), Host(host), Library(library), Platform(platform) {}

TBurnDataModule::~TBurnDataModule() = default;

void TBurnDataModule::Append(const std::string& item) { View.AppendStatus(item); }

std::string TBurnDataModule::Text(unsigned id) { return Host.Text(id); }

void TBurnDataModule::ShowProgressHint() {
  View.SetHint(TGaugeId::ProgressBar, std::to_string(View.PercentDone(TGaugeId::ProgressBar)));
}

std::vector<std::string> TBurnDataModule::ReadTrackTags() {
  std::string content;
  if (!Host.ReadTextFile(Host.AppPath(kCoverSheetName), content)) return {};
  return ReadIniSection(content, kTrackTagsSection);
}

bool TBurnDataModule::StartBurn(uint8_t method) {
  std::vector<std::string> tags = ReadTrackTags();
  // Made here, before the thread exists, so that an abort never meets a half-made event.
  State.ProgressEvent = Platform.CreateProgressEvent();
  if (!State.ProgressEvent) return false;
  const TBurnThreadContext context{*Form, View, Host, Library, Platform, State};
  OwnedThread = std::make_unique<TBurnThread>(context, TestMode, method, std::move(tags));
  TBurnThread* thread = OwnedThread.get();
  BurnThread = thread;
  // The completion is attached before the thread can end.
  if (Platform.StartBurnThread([thread] { thread->Execute(); }, [this] { ThreadEnded(); })) return true;
  BurnThread = nullptr;
  OwnedThread.reset();
  return false;
}

void TBurnDataModule::ThreadEnded() {
  // The thread has ended: its object goes when the completion is over (a new burn started from
  // inside the completion gets an object of its own).
  std::unique_ptr<TBurnThread> ended = std::move(OwnedThread);
  if (!Form->Ended()) BurnFinished();
}

void TBurnDataModule::AbortBurn() {
  bool faulted = false;
  Library.AbortWrite(&faulted);
  if (!faulted) BurnThread = nullptr;
  Host.ProcessMessages();
  Host.Beep();
  Library.Unload();
  Library.ReleaseRecordingLibrary();
  LibraryReleased = true;
  State.BurnDone = true;
  if (State.ProgressEvent) State.ProgressEvent->Set();
  Platform.RestoreNormalClass();
  ShowProgressHint();
  TFormMain& form = *Form;
  if (int32_t* fails = MethodCounter(form.WriteMethod, form.DAOModeFail, form.SAOModeFail, form.TAOModeFail))
    ++*fails;
  form.BuildHistoryTexts(State.LastWriteResult);
}

void TBurnDataModule::ReportSuccess() {
  TFormMain& form = *Form;
  if (form.History.LastProjectDeleteIt == "1") {
    Append(Text(IDS_BURN_CLEANING_UP));
    Platform.ClearFolder(form.History.LastFolderPath);
  }
  Append(Text(IDS_BURN_COMPLETED));
  Append(Text(IDS_BURN_LABEL_HINT) + Text(IDS_BURN_DISC_LOG) + form.History.LastDiscNumber);
  Append(Text(IDS_BURN_THANKS) + "\r\n" + Text(IDS_BURN_MAKER) + "\r\n" + Text(IDS_BURN_MAKER_DETAILS) +
         "\r\n" + Text(IDS_BURN_COVER_SHEET));
  if (int32_t* successes =
          MethodCounter(form.WriteMethod, form.DAOModeSuccess, form.SAOModeSuccess, form.TAOModeSuccess))
    ++*successes;
  form.Step = stDiscCompleted;
}

void TBurnDataModule::BurnFinished() {
  TFormMain& form = *Form;
  ShowProgressHint();
  if (form.ResultCode < 1) ReportSuccess();
  BurnThread = nullptr;
  Host.Beep();
  if (!LibraryReleased) Library.Unload();
  View.SetProgress(TGaugeId::ProgressBar, View.MaxValue(TGaugeId::ProgressBar));
  Host.ProcessMessages();
  Platform.RestoreNormalClass();
  form.BuildHistoryTexts(State.LastWriteResult);
  form.SetRightButton(1);
  form.Cleanup(false, false);
  View.SetProgress(TGaugeId::ProgressBar, View.MaxValue(TGaugeId::ProgressBar));
  form.CancelAutoPlay = false;
}

}  // namespace qx
