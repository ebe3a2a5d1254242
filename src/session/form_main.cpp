// The session's flow in the main window, in the order it happens: creation, the start on the
// first activation, the chain of checks, the start of the recording and its time estimate, the
// buttons, and the end of the session. The checks themselves are in checks.cpp, the erase
// question in erase.cpp, the history in history.cpp.
#include "session/form_main.h"

#include "base/applet_layout.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/session_rules.h"
#include "session/support_files.h"

namespace qx {

namespace {
constexpr int32_t kHiddenAttribute = 0x02;
constexpr uint32_t kPreviewMilliseconds = 5000;
// Shares of the preparation gauge.
constexpr int kUnpackShare = 15;
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
  SetRightButton(1);
}

void TFormMain::AddProgressLeft(int amount) {
  View.SetProgress(TGaugeId::ProgressBarLeft, View.Progress(TGaugeId::ProgressBarLeft) + amount);
}

// --- creation and the session's start

void TFormMain::FormCreate(bool previewMode) {
  View.SetCaption(TButtonId::ButtonRight, Host.Text(IDS_BUTTON_PLEASE_WAIT));
  Step = stCreated;
  ResultCode = -1;
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
      Step = stBusy;
      RunSession();
    }
  }
  Host.Sleep(0);
}

void TFormMain::RunSession() {
  SetRightButton(0);
  BurnDataModule.SetTestMode(Host.IsSwitch(kSwitchTest) || History.Testing);
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
  Step = stChecksPassed;
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
  Step = stBusy;
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
  Step = stBusy;
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
  if (ready != 1) {
    if (!Wait(2000)) return;
    ready = Library.IsDeviceReadyEx();
  }
  if (ready != 1) {
    View.AppendStatus(Library.ErrorText(ready));
    SetResult(76);
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
    if (BurnDataModule.StartBurn(wmTrackAtOnce)) {
      Append(IDS_SESSION_TAO_METHOD);
      Host.LowerThreadBelowNormal();
    } else {
      // No worker: the button comes back, and its press takes the cancel path.
      SetRightButton(1);
    }
    return;
  }
  Append(IDS_SESSION_NO_METHOD);
  SetResult(6);
  SetRightButton(1);
}

std::vector<std::string> TFormMain::ShowTimeEstimate() {
  const int64_t factor = EstimateSpeedFactor(SpeedX);
  const int64_t megabytes = History.LastFolderSize / 1048576;
  SpeedText = std::to_string(EstimateMinutes(megabytes, factor));
  SizeMB = static_cast<uint32_t>(megabytes);

  std::vector<std::string> lines{Host.Text(IDS_SESSION_DONT_DISTURB)};
  const std::string prefix =
      History.Testing ? Host.Text(IDS_SESSION_SPEED_IS) + std::to_string(factor) + "X: " : std::string();
  // Larger media write at speeds the estimate does not know.
  if (MediaType <= 3)
    lines.push_back(prefix + Host.Text(IDS_SESSION_READY_IN) + " " + SpeedText + " " +
                    Host.Text(IDS_SESSION_MINUTES));
  // From now on SpeedText is the speed factor: the results report sends it and the history keeps it.
  SpeedText = std::to_string(factor);
  return lines;
}

// --- results and the right button

int TFormMain::SetResult(int code) {
  ResultCode = NextResultCode(ResultCode, code);
  return ResultCode;
}

void TFormMain::SetRightButton(int kind) {
  View.SetEnabled(TButtonId::ButtonRight, true);
  View.SetCaption(TButtonId::ButtonRight, Host.Text(kind == 1 ? IDS_BUTTON_OK : IDS_BUTTON_CANCEL));
  View.Focus(kind == 1 ? TButtonId::ButtonRight : TButtonId::ButtonLeft);
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
  switch (Step) {
    case stCreated:
    case stEraseQuestion: return;
    case stRequiredFiles:
      ResultCode = 2;
      ExitSession(true, false);
      return;
    case stDiskSpace:
      ResultCode = 3;
      ExitSession(true, false);
      return;
    case stAspiLayer:
      ResultCode = 4;
      Reports.OpenAspiHelpPage();
      ExitSession(false, false);
      return;
    case stBlankDisc:
      if (CheckBlankDisc(true)) {
        SetRightButton(0);
        if (ResultCode == 5) ResultCode = -1;
        StartRecording();
      } else if (!SessionEnded) {
        SetResult(5);
        ExitSession(true, false);
      }
      return;
    case stRecorder:
      if (ResultCode != 11) ResultCode = 8;
      ExitSession(true, false);
      return;
    case stDiscCompleted:
      if (ResultCode < 0) ResultCode = 0;
      ExitSession(true, true);
      return;
    default: CancelPath(); return;
  }
}

void TFormMain::CancelPath() {
  SetResult(1);
  Cancelled = true;
  // A failure code already set (a failed recording) is kept, and then this is no cancel.
  if (ResultCode == 1) Append(IDS_SESSION_CANCELING);
  if (BurnDataModule.BurnRunning()) BurnDataModule.AbortBurn();
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
  if (ResultCode == 0) Reports.OpenCoverSheet();
  Host.DeleteFile(Host.AppPath(kProjectFile));
}

void TFormMain::Cleanup(bool cleanAspi, bool deleteApplet) { Cleaner.Cleanup(cleanAspi, deleteApplet); }

void TFormMain::OpenResultsPage() { Reports.OpenResultsPage(); }

// --- the window's own events

bool TFormMain::FormClose(bool senderIsRightButton) const { return senderIsRightButton; }

void TFormMain::MemoStatusChange() {
  View.SetEnabled(TButtonId::ButtonLeft, true);
  View.Focus(TButtonId::ButtonLeft);
}

void TFormMain::FormDestroy() {
  SaveHistory();
  Library.ReleaseRecordingLibrary();
}

}  // namespace qx
