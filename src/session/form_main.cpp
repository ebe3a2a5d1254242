// The session's flow in the main window, in the order it happens: creation, the start on the
// first activation, the chain of checks, the start of the recording and its time estimate, the
// buttons, and the end of the session. The checks themselves are in checks.cpp, the erase
// question in erase.cpp, the history in history.cpp.
#include "session/form_main.h"

#include "base/applet_layout.h"
#include "recording/burn_rules.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/session_rules.h"
#include "base/support_files.h"

namespace qx {

namespace {
constexpr int32_t kHiddenAttribute = 0x02;
constexpr uint32_t kPreviewMilliseconds = 5000;
// Shares of the preparation gauge.
constexpr int kUnpackShare = 15;

// The counter of a write method: 0 disc-at-once, 1 session-at-once, 2 track-at-once.
int32_t* MethodCounter(uint8_t method, int32_t& dao, int32_t& sao, int32_t& tao) {
  switch (method) {
    case wmDiscAtOnce: return &dao;
    case wmSessionAtOnce: return &sao;
    case wmTrackAtOnce: return &tao;
    default: return nullptr;
  }
}

// One more of a history counter; the largest value the registry's number can hold stays.
void CountOne(int32_t* counter) {
  if (counter && *counter < INT32_MAX) ++*counter;
}
}  // namespace

TFormMain::TFormMain(const TSessionContext& context)
    : View(context.View),
      Host(context.Host),
      Library(context.Library),
      BurnDataModule(context.BurnDataModule),
      Cleaner(context.Cleaner),
      Reports(context.Reports),
      PayloadModule(context.PayloadModule) {}

// --- small helpers every part uses

bool TFormMain::Wait(uint32_t milliseconds) {
  Host.Delay(milliseconds);
  return !SessionEnded;
}

bool TFormMain::ProcessMessages() {
  Host.ProcessMessages();
  return !SessionEnded;
}

void TFormMain::Append(unsigned textId) { View.AppendStatus(Host.Text(textId)); }

void TFormMain::Fail(unsigned textId) {
  Append(textId);
  Host.Beep();
  SetRightButton(rbOk);
}

void TFormMain::AddProgressLeft(int amount) {
  View.SetProgress(TGaugeId::ProgressBarLeft, View.Progress(TGaugeId::ProgressBarLeft) + amount);
}

// --- creation and the session's start

void TFormMain::FormCreate(bool previewMode) {
  View.SetCaption(TButtonId::ButtonRight, Host.Text(IDS_BUTTON_PLEASE_WAIT));
  SetStep(stCreated);
  ResultCode = rsUndecided;
  LoadHistory();
  View.ShowWindow();
  if (previewMode) {
    // The preview only shows the window: no message is processed, so no session can start.
    View.Repaint();
    Host.Sleep(kPreviewMilliseconds);
    View.RequestClose();
  }
}

void TFormMain::ApplicationActivate() {
  if (!SessionStarted && !SessionEnded) {
    SessionStarted = true;
    if (ProcessMessages()) {
      SetStep(stBusy);
      RunSession();
    }
  }
  Host.Sleep(0);
}

void TFormMain::RunSession() {
  SetRightButton(rbCancel);
  TestMode = Host.IsSwitch(kSwitchTest) || History.Testing;
  if (PayloadModule && !PayloadModule->RunMaintenanceMode()) {
    PayloadModule->DetachProgress();
    AddProgressLeft(kUnpackShare);
    // The close is refused; the required-files check below tells the user what is missing.
    if (!PayloadModule->UnpackSupportFiles()) View.RequestClose();
  }
  if (!Wait(500)) return;
  ReadVolumeTitle();
  View.AppendStatus(Host.Text(IDS_PRODUCT_BANNER));
  if (!Wait(200)) return;

  // The chain stops at the first check that fails; its step then decides the right button.
  if (!CheckRequiredFiles()) return;
  if (!CheckDiskSpace(Host.AppletSize())) return;
  if (!BeginStep()) return;
  SetStep(stChecksPassed);
  if (!MeasureCpuSpeed()) return;
  if (!CheckAspiLayer(true)) return;
  if (!StartEngine()) return;
  if (!ShowRecorderInfo()) return;
  Host.CloseCdPlayer();
  if (!CheckBlankDisc(false)) return;
  if (!Cancelled && !SessionEnded) StartRecording();
}

bool TFormMain::BeginStep() {
  // While a check runs, the right button cancels.
  SetStep(stBusy);
  return ProcessMessages() && Wait(150);
}

void TFormMain::ReadVolumeTitle() {
  const std::string project = Host.AppPath(kProjectFile);
  std::string title = Host.ReadIniString(project, "TITLE", "Title ");
  if (title.empty()) title = Host.ReadIniString(project, "TITLE", "Title");
  if (title.empty()) return;
  VolumeTitle = title;
  View.AppendStatus("\"" + title + "\"");
}

// --- the recording's start

void TFormMain::StartRecording() {
  SetStep(stBusy);
  View.ShowWindow();
  const std::string hidden = Host.AppPath(kHiddenSupportFile);
  const int32_t attributes = Host.GetAttributes(hidden);
  if (attributes != -1) Host.SetAttributes(hidden, attributes | kHiddenAttribute);
  if (!ProcessMessages()) return;

  // No result code and no change of the button: the press still cancels (result 1).
  if (History.LastFolderPath.empty()) {
    Append(IDS_SESSION_PROBLEM);
    return;
  }

  int32_t ready = Library.IsDeviceReadyEx();
  if (ready != rwlib::rcSuccess) {
    if (!Wait(2000)) return;
    ready = Library.IsDeviceReadyEx();
  }
  if (ready != rwlib::rcSuccess) {
    View.AppendStatus(Library.ErrorText(ready));
    SetResult(rsNotReady);
    return;
  }

  SettleDrive(false);
  if (SessionEnded) return;
  View.ShowWindow();
  View.SetProgress(TGaugeId::ProgressBarLeft, View.MaxValue(TGaugeId::ProgressBarLeft));

  if (Cancelled) return;
  // The recording cannot be cancelled from the window once the write runs.
  View.SetEnabled(TButtonId::ButtonRight, false);
  Host.LowerThreadBelowNormal();

  if (TaoSupported) {
    // Track-at-once is the only method ever started.
    WriteMethod = wmTrackAtOnce;
    if (BurnDataModule.StartBurn(BurnRequest(),
                                 [this](const TBurnOutcome& outcome) { RecordingFinished(outcome); })) {
      // The system tells the user why a log-off or shutdown waits (QueryEndSession refuses it).
      View.SetShutdownBlockReason(Host.Text(IDS_SHUTDOWN_WHILE_RECORDING));
      Append(IDS_SESSION_TAO_METHOD);
      Host.LowerThreadBelowNormal();
    } else {
      // No worker: the button comes back, and its press takes the cancel path.
      SetRightButton(rbOk);
    }
    return;
  }
  Append(IDS_SESSION_NO_METHOD);
  SetResult(rsNoWriteMethod);
  SetRightButton(rbOk);
}

TBurnRequest TFormMain::BurnRequest() {
  TBurnRequest request;
  request.WriteMethod = WriteMethod;
  request.Folder = History.LastFolderPath;
  request.FolderSize = History.LastFolderSize;
  request.VolumeName = History.LastVolName;
  request.VolumeTitle = VolumeTitle;
  request.TestMode = TestMode;
  request.ShowSpeed = History.Testing;
  request.MediaType = MediaType;
  request.Speed = SpeedInputs();
  return request;
}

// --- the recording's completion

void TFormMain::RecordingFinished(const TBurnOutcome& outcome) {
  if (SessionEnded) return;
  View.SetShutdownBlockReason(std::string());
  if (outcome.Result != rsUndecided) SetResult(outcome.Result);
  TakeRecordingSpeed(outcome);
  // Nothing has gone wrong: no code of 1 or more.
  if (ResultCode < rsCancelled) ReportSuccess();
  BurnDataModule.ReleaseDrive();
  BuildHistoryTexts(outcome.LastWriteResult);
  SetRightButton(rbOk);
  Cleanup(false, false);
  View.SetProgress(TGaugeId::ProgressBar, View.MaxValue(TGaugeId::ProgressBar));
  // The shell's AutoPlay may open the finished disc again.
  CancelAutoPlay = false;
}

void TFormMain::ReportSuccess() {
  if (History.LastProjectDeleteIt == "1") {
    Append(IDS_BURN_CLEANING_UP);
    Host.ClearFolder(History.LastFolderPath);
  }
  Append(IDS_BURN_COMPLETED);
  View.AppendStatus(Host.Text(IDS_BURN_LABEL_HINT) + Host.Text(IDS_BURN_DISC_LOG) + History.LastDiscNumber);
  View.AppendStatus(Host.Text(IDS_BURN_THANKS) + "\r\n" + Host.Text(IDS_BURN_MAKER) + "\r\n" +
                    Host.Text(IDS_BURN_MAKER_DETAILS) + "\r\n" + Host.Text(IDS_BURN_COVER_SHEET));
  CountOne(MethodCounter(WriteMethod, DAOModeSuccess, SAOModeSuccess, TAOModeSuccess));
  SetStep(stDiscCompleted);
}

// The speed step's values, once the recording has chosen a speed: the report sends the factor and
// the size, the history keeps the factor and the hold flag.
void TFormMain::TakeRecordingSpeed(const TBurnOutcome& outcome) {
  if (!outcome.SpeedSet) return;
  SpeedX = outcome.SpeedX;
  SizeMB = outcome.SizeMB;
  SpeedText = std::to_string(EstimateSpeedFactor(SpeedX));
  History.PriorSaidHoldThrottle = outcome.PriorSaidHoldThrottle;
}

// --- results and the right button

int TFormMain::SetResult(int code) {
  ResultCode = NextResultCode(ResultCode, code);
  return ResultCode;
}

void TFormMain::SetRightButton(TRightButtonKind kind) {
  View.SetEnabled(TButtonId::ButtonRight, true);
  View.SetCaption(TButtonId::ButtonRight, Host.Text(kind == rbOk ? IDS_BUTTON_OK : IDS_BUTTON_CANCEL));
  View.Focus(kind == rbOk ? TButtonId::ButtonRight : TButtonId::ButtonLeft);
}

void TFormMain::ButtonClick(TButtonId button) {
  if (SessionEnded) return;
  switch (button == TButtonId::ButtonLeft ? LeftHandler : RightHandler) {
    case THandler::ButtonLeftClick: ButtonLeftClick(); break;
    case THandler::ButtonRightClick: ButtonRightClick(); break;
    case THandler::ButtonYESErase: ButtonYESErase(); break;
    case THandler::ButtonNOErase: ButtonNOErase(); break;
  }
}

void TFormMain::ButtonLeftClick() { Reports.OpenHelpPage(); }

void TFormMain::ButtonRightClick() {
  // A press while the session is already ending would run a second exit, or even start a
  // recording from step 5 while the files are being removed.
  if (Exiting || SessionEnded) return;
  switch (CurrentStep) {
    case stCreated:
    case stEraseQuestion: return;
    case stRequiredFiles:
      ResultCode = rsFilesMissing;
      ExitSession(true, false);
      return;
    case stDiskSpace:
      ResultCode = rsDiskSpace;
      ExitSession(true, false);
      return;
    case stAspiLayer:
      ResultCode = rsNoAspi;
      Reports.OpenAspiHelpPage();
      ExitSession(false, false);
      return;
    case stBlankDisc:
      if (CheckBlankDisc(true)) {
        SetRightButton(rbCancel);
        if (ResultCode == rsNoBlankDisc) ResultCode = rsUndecided;
        StartRecording();
      } else if (!SessionEnded) {
        SetResult(rsNoBlankDisc);
        ExitSession(true, false);
      }
      return;
    case stRecorder:
      if (ResultCode != rsNeedsAdmin) ResultCode = rsNoRecorder;
      ExitSession(true, false);
      return;
    case stDiscCompleted:
      if (ResultCode < rsCompleted) ResultCode = rsCompleted;
      ExitSession(true, true);
      return;
    default: CancelPath(); return;
  }
}

void TFormMain::CancelPath() {
  SetResult(rsCancelled);
  Cancelled = true;
  // A failure code already set (a failed recording) is kept, and then this is no cancel.
  if (ResultCode == rsCancelled) Append(IDS_SESSION_CANCELING);
  if (BurnDataModule.BurnRunning()) {
    // The aborted recording counts as a failure of its write method.
    const TBurnOutcome outcome = BurnDataModule.AbortBurn();
    View.SetShutdownBlockReason(std::string());
    TakeRecordingSpeed(outcome);
    CountOne(MethodCounter(WriteMethod, DAOModeFail, SAOModeFail, TAOModeFail));
    BuildHistoryTexts(outcome.LastWriteResult);
  }
  ExitSession(true, false);
}

// --- the session's end

void TFormMain::ExitSession(bool cleanAspi, bool deleteApplet) {
  Exiting = true;
  FinishSession();
  Cleanup(cleanAspi, deleteApplet);
  SessionEnded = true;
  Host.EndProcess(ResultCode);
}

void TFormMain::FinishSession() {
  SaveHistory();
  if (Host.IsOnline()) OpenResultsPage();
  Host.Delay(2400);
  if (ResultCode == rsCompleted) Reports.OpenCoverSheet();
  Host.DeleteFile(Host.AppPath(kProjectFile));
}

void TFormMain::Cleanup(bool cleanAspi, bool deleteApplet) {
  Cleaner.Cleanup(cleanAspi, deleteApplet, History.DeleteApplet);
}

void TFormMain::OpenResultsPage() { Reports.OpenResultsPage(ReportValues()); }

TResultsReport TFormMain::ReportValues() const {
  TResultsReport report;
  report.ResultCode = ResultCode;
  report.RecorderVendor = RecorderVendor;
  report.RecorderProduct = RecorderProduct;
  report.SuccText = SuccText;
  report.FailText = FailText;
  report.SpeedText = SpeedText;
  report.SizeMB = SizeMB;
  return report;
}

// --- the window's own events

bool TFormMain::FormClose(bool senderIsRightButton) const { return senderIsRightButton; }

void TFormMain::MemoStatusChange() {
  View.SetEnabled(TButtonId::ButtonLeft, true);
  View.Focus(TButtonId::ButtonLeft);
}

// --- the process's end from outside

void TFormMain::EndFromOutside() {
  if (Exiting || SessionEnded) return;
  if (BurnDataModule.BurnRunning()) {
    CancelPath();
    return;
  }
  switch (CurrentStep) {
    // The check has failed and its report is in the memo: the result is the one its press gives.
    case stRequiredFiles:
    case stDiskSpace:
    case stRecorder: ButtonRightClick(); return;
    case stAspiLayer:
      // As the press, but without the help page nobody asked for.
      ResultCode = rsNoAspi;
      ExitSession(false, false);
      return;
    default: CancelPath(); return;
  }
}

void TFormMain::ApplicationTerminate() { EndFromOutside(); }

bool TFormMain::QueryEndSession() {
  if (Exiting || SessionEnded) return true;
  if (BurnDataModule.BurnRunning()) return false;
  EndAgreed = true;
  return true;
}

void TFormMain::EndSessionAgreed() {
  if (EndAgreed) EndFromOutside();
}

void TFormMain::EndSession(bool ending) {
  // The system may end the process as soon as this returns: the session ends here.
  if (ending)
    EndFromOutside();
  else
    EndAgreed = false;
}

void TFormMain::FormDestroy() {
  SaveHistory();
  Library.ReleaseRecordingLibrary();
}

}  // namespace qx
