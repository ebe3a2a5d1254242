#pragma once
// TFormMain: the controller of the recording session that runs in the applet's only window. It is
// portable: it reaches the window through TSessionView, the platform through TSessionHost, the
// recording library through TRwLibBinding, the burn data module through TBurnControl (a request
// in, an outcome back), and the clean-up and report pieces through the seams of session_seams.h. The code
// follows the session's order: creation, the start on the first activation, the chain of checks, the start of
// the recording, the right button, the end. See doc/session-steps.md for the steps and their transitions.
#include <cstdint>
#include <string>
#include <vector>

#include "base/result_code.h"
#include "burn/burn_request.h"
#include "recording/speed_rule.h"
#include "session/history.h"
#include "session/session_host.h"
#include "session/results_address.h"
#include "session/session_seams.h"
#include "session/session_view.h"

namespace qx {

class TRwLibBinding;

// What the session waits for; the right button's press acts on it.
enum TStep : uint8_t {
  stCreated = 0,         // window up, session not yet started: the press does nothing
  stRequiredFiles = 1,   // "qxorig.qx" missing: the press exits with 2
  stDiskSpace = 2,       // too little free space: the press exits with 3
  stChecksPassed = 3,    // marker after the disk check: the press cancels
  stAspiLayer = 4,       // no ASPI layer: the press opens the ASPI help and exits with 4
  stBlankDisc = 5,       // no blank disc: the press checks once more
  stEraseQuestion = 6,   // the erase question is open: the right button means No
  stRecorder = 7,        // no recorder: the press exits with 8 (11 kept)
  stBusy = 9,            // a check or the recording runs: the press cancels
  stDiscCompleted = 10,  // disc completed: the press exits with 0 and removes the applet
};

// What the right button offers once a step hands it back.
enum TRightButtonKind { rbCancel, rbOk };

// Which handler a button's click runs; the erase question swaps them while it is open.
enum class THandler { ButtonLeftClick, ButtonRightClick, ButtonYESErase, ButtonNOErase };

// The instances of a session, made by the start-up code and handed to the controller.
struct TSessionContext {
  TSessionView& View;
  TSessionHost& Host;
  TRwLibBinding& Library;
  TBurnControl& BurnDataModule;
  TCleanup& Cleaner;
  TReports& Reports;
  // The payload module behind its seam (TPayloadModuleSeam in payload_seam.h); null where the
  // run has none.
  TPayloadControl* PayloadModule;
};

class TFormMain {
public:
  explicit TFormMain(const TSessionContext& context);

  // --- creation and the session's start
  // Window creation, before the window is shown (caption "Please Wait", step 0, history). In the
  // preview mode it then repaints, waits five seconds without processing messages and requests
  // a close.
  void FormCreate(bool previewMode);
  // Every activation of the application; the session starts on the first.
  void ApplicationActivate();
  void RunSession();
  // Step 9 while the messages are processed and a short pause passes. False when the session
  // ended meanwhile (a nested press took the exit), so the check must stop where it is.
  bool BeginStep();
  void StartRecording();
  // The recording's request from this session's values.
  TBurnRequest BurnRequest();
  // The completion's session part, on the window thread once the burn worker has ended: the
  // recording's result and speed, the success report, the counters and step 10, the burn data
  // module's own part (ReleaseDrive), the summary texts, the right button, the first clean-up.
  void RecordingFinished(const TBurnOutcome& outcome);

  // --- the buttons and the window's own events
  // A click of the button; runs the handler currently attached to it.
  void ButtonClick(TButtonId button);
  void ButtonLeftClick();
  void ButtonRightClick();
  void ButtonYESErase();
  void ButtonNOErase();
  // True when the close may go ahead: only a close sent by the right button.
  bool FormClose(bool senderIsRightButton) const;
  // The answer to the shell's "QueryCancelAutoPlay" message: true (answer 1) while AutoPlay is
  // refused.
  bool RefuseAutoPlay() const { return CancelAutoPlay; }
  void MemoStatusChange();
  void FormDestroy();

  // --- the process's end from outside the session. Whatever ends the process ends the session
  // as one of its results, with the history saved and the clean-up started (EndFromOutside).
  // The application was told to end: a quit message reached the window thread, or its loop
  // ended.
  void ApplicationTerminate();
  // The system asks whether the user's session may end (log-off, shutdown). Refused while the
  // write runs, so that the disc is not spoilt; otherwise agreed, and the session ends once the
  // answer has gone (EndSessionAgreed).
  bool QueryEndSession();
  // The window's own notice after an agreed query; does nothing when no query was agreed to.
  void EndSessionAgreed();
  // The system ends the user's session now (`ending`), or goes on after all.
  void EndSession(bool ending);

  // --- operations other pieces call
  int SetResult(int code);
  // The one place where the step changes.
  void SetStep(TStep step) { CurrentStep = step; }
  TStep Step() const { return CurrentStep; }
  void SetRightButton(TRightButtonKind kind);
  void Cleanup(bool cleanAspi, bool deleteApplet);
  void OpenResultsPage();
  void ExitSession(bool cleanAspi, bool deleteApplet);
  void FinishSession();
  void ReadVolumeTitle();

  // --- the checks, in the chain's order
  bool CheckRequiredFiles();
  bool CheckDiskSpace(int64_t required);
  bool MeasureCpuSpeed();
  bool CheckAspiLayer(bool allowInstall);
  bool StartEngine();
  bool ShowRecorderInfo();
  bool CheckBlankDisc(bool retry);
  bool OfferErase();
  void WaitDiscReady();
  void SettleDrive(bool load);
  std::string FileVersionText(const std::string& file, const std::string& form);

  // --- the history
  void LoadHistory();
  void SaveHistory();
  // SuccText and FailText from the counters; a write result other than 1 (the completion passes
  // the library's answer) is appended to FailText after ":".
  void BuildHistoryTexts(int32_t lastWriteResult = 1);
  // The speed rule's inputs as this session knows them; the burn worker adds what the recorder
  // answers and applies ChooseWriteSpeed (speed_rule.h).
  TSpeedInputs SpeedInputs();
  // The report's values this session holds (the reports add what the host and the view know).
  TResultsReport ReportValues() const;

  // True once ExitSession has ended the process. The Win32 host never returns from EndProcess;
  // where a host does, nothing of the session runs after this.
  bool Ended() const { return SessionEnded; }

  // --- fields, in the window's declaration order. All of them are the window thread's: a
  // recording hands its values back in its outcome.
  int32_t TAOModeSuccess = 0, SAOModeSuccess = 0, DAOModeSuccess = 0;
  int32_t TAOModeFail = 0, SAOModeFail = 0, DAOModeFail = 0;
  bool RecorderOpen = false;
  std::string RecorderVendor, RecorderProduct;
  bool TaoSupported = false;
  uint8_t WriteMethod = wmTrackAtOnce;
  uint32_t SizeMB = 0;
  int64_t SpeedX = 0;
  int32_t ResultCode = rsUndecided;
  std::string SpeedText;
  std::string FailText, SuccText;

  // --- session values, one per process
  bool SessionStarted = false;
  bool TestMode = false;  // the recording is simulated: "/testqx00" or the history's Testing
  bool Cancelled = false;
  bool CancelAutoPlay = true;
  int32_t EraseDecision = 0;  // 0 none yet, 1 erased, 2 declined or failed
  bool DiscBlank = false, DiscErasable = false, DiscReady = false;
  int32_t MediaType = -1;
  std::string VolumeTitle;
  int32_t CpuSpeed = 0;      // MHz; from and to the history value CPUspeed
  int32_t MemoryFactor = 2;  // 2 or 4, from the memory check
  THistory History;

  // The handlers attached to the two buttons.
  THandler LeftHandler = THandler::ButtonLeftClick;
  THandler RightHandler = THandler::ButtonRightClick;

private:
  // Waits while processing messages; false when the session ended meanwhile.
  bool Wait(uint32_t milliseconds);
  bool ProcessMessages();
  void Append(unsigned textId);
  // A check's failure report: its message, the beep, "&OK".
  void Fail(unsigned textId);
  void AddProgressLeft(int amount);
  void AttachNormalHandlers(unsigned rightCaptionId);
  bool InstallOwnAspiCopy();
  bool AspiUsableOnPath();
  bool QueryDiscInfo();
  void CancelPath();
  // The session's end when something outside it ends the process: a running write is aborted
  // the way a cancel aborts it; a failed check that waits for "&OK" ends with the code its press
  // gives; anything else takes the cancel path (1, unless a failure code is already set). Never 0:
  // only the press after a completed disc ends with success.
  void EndFromOutside();
  void ReportSuccess();
  void TakeRecordingSpeed(const TBurnOutcome& outcome);

  TStep CurrentStep = stCreated;

  bool Exiting = false;       // ExitSession has begun: further presses of the right button wait it out
  bool SessionEnded = false;  // the process was ended
  bool EndAgreed = false;     // a query to end the user's session was agreed to

  TSessionView& View;
  TSessionHost& Host;
  TRwLibBinding& Library;
  TBurnControl& BurnDataModule;
  TCleanup& Cleaner;
  TReports& Reports;
  TPayloadControl* PayloadModule;
};

}  // namespace qx
