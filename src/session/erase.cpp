// The offer to erase a rewritable disc that is not blank, and the drive waits around it. The
// question is asked at most once per session: its answer stays in EraseDecision.
#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/form_main.h"
#include "session/results_address.h"

namespace qx {

namespace {
// The DirectCD packet-writing software (results_address.h names its two paths) holds the drive
// for a while after a disc goes in.
constexpr uint32_t kDirectCdSettle = 20000;
constexpr uint32_t kDriveSettle = 4500;
constexpr uint32_t kAnswerPoll = 50;
constexpr int kReadyRounds = 60;
constexpr uint32_t kReadyPoll = 2000;
// Shares of the preparation gauge.
constexpr int kQuestionShare = 15;
constexpr int kErasingShare = 15;
constexpr int kErasedProgress = 20;
constexpr int kErasedBlankShare = 15;
// The library's full (not quick) erase.
constexpr int32_t kBlankFull = 1;
}  // namespace

bool TFormMain::OfferErase() {
  SetStep(stEraseQuestion);
  if (EraseDecision == 1) return false;
  if (EraseDecision == 2) return true;
  if (!DiscErasable) return true;

  Host.Beep();
  AddProgressLeft(kQuestionShare);
  Append(IDS_ERASE_QUESTION);
  LeftHandler = THandler::ButtonYESErase;
  View.SetCaption(TButtonId::ButtonLeft, Host.Text(IDS_BUTTON_YES));
  View.SetHintShown(TButtonId::ButtonLeft, false);
  RightHandler = THandler::ButtonNOErase;
  View.SetCaption(TButtonId::ButtonRight, Host.Text(IDS_BUTTON_NO));

  // The answer comes from a button handler run inside the wait. Once the application is
  // terminating the wait returns at once without processing messages, so no answer can come:
  // the question is then dropped like an answer that took the session elsewhere.
  while (EraseDecision == 0) {
    if (Host.Terminated() || SessionEnded) return false;
    Host.Delay(kAnswerPoll);
  }
  return EraseDecision == 2;
}

void TFormMain::AttachNormalHandlers(unsigned rightCaptionId) {
  RightHandler = THandler::ButtonRightClick;
  View.SetCaption(TButtonId::ButtonRight, Host.Text(rightCaptionId));
  LeftHandler = THandler::ButtonLeftClick;
  View.SetCaption(TButtonId::ButtonLeft, Host.Text(IDS_BUTTON_HELP_PLAIN));
  View.SetHintShown(TButtonId::ButtonLeft, true);
}

void TFormMain::ButtonYESErase() {
  // While the disc is erased the right button finds step 6 and does nothing.
  AttachNormalHandlers(IDS_BUTTON_PLEASE_WAIT);
  Append(IDS_ERASE_STARTED);
  AddProgressLeft(kErasingShare);

  if (Library.BlankDisc(kBlankFull) != rwlib::rcSuccess) {
    EraseDecision = 2;
    Append(IDS_ERASE_FAILED);
  } else {
    View.SetProgress(TGaugeId::ProgressBarLeft, kErasedProgress);
    const bool answered = QueryDiscInfo();
    if (!DiscReady) WaitDiscReady();
    // The disc values are those of the last query. A drive still not ready after the wait has
    // not shown an erased disc, whatever its blank flag says.
    if (answered && DiscBlank && DiscReady && !SessionEnded) {
      EraseDecision = 1;
      SetRightButton(rbCancel);
      if (ResultCode == rsNoBlankDisc) ResultCode = rsUndecided;
      Append(IDS_ERASE_SUCCESS);
      if (ProcessMessages()) {
        AddProgressLeft(kErasedBlankShare);
        StartRecording();
      }
    } else {
      EraseDecision = 2;
      Append(IDS_ERASE_FAILED);
    }
  }
  // Also after a recording has started here: should it fail, the press then looks for a blank
  // disc once more.
  SetStep(stBlankDisc);
}

void TFormMain::ButtonNOErase() {
  AttachNormalHandlers(IDS_BUTTON_CANCEL_PLAIN);
  EraseDecision = 2;
  SetStep(stBlankDisc);
}

void TFormMain::WaitDiscReady() {
  for (int round = 0; round < kReadyRounds; ++round) {
    QueryDiscInfo();
    if (!Wait(kReadyPoll)) return;
    if (DiscReady) return;
    if (View.Progress(TGaugeId::ProgressBarLeft) < 100) AddProgressLeft(1);
  }
}

void TFormMain::SettleDrive(bool load) {
  if (load) {
    Library.Load();
    if (!Wait(kDriveSettle)) return;
  } else if (Host.FileExists(kDirectCdDriver) || Host.FileExists(kDirectCdProgram)) {
    Host.Sleep(kDirectCdSettle);
  } else if (!Wait(kDriveSettle)) {
    return;
  }
  ProcessMessages();
}

}  // namespace qx
