// The erase question: asked once, answered inside its own wait by the Yes or No handler, and
// given up when the application terminates.
#include <gtest/gtest.h>

#include "fakes/texts.h"
#include "session_world.h"

namespace qx::test {
namespace {

using fakes::kCaptionCancel;
using fakes::kCaptionCancelPlain;
using fakes::kCaptionHelpPlain;
using fakes::kCaptionNo;
using fakes::kCaptionOk;
using fakes::kCaptionPleaseWait;
using fakes::kCaptionYes;

const std::string kQuestion = TextById(IDS_ERASE_QUESTION);
const std::string kErasing = TextById(IDS_ERASE_STARTED);
const std::string kUnable = TextById(IDS_ERASE_FAILED);
const std::string kErased = TextById(IDS_ERASE_SUCCESS);
const std::string kNoBlankDisc = TextById(IDS_CHECK_NO_BLANK_DISC);
const std::string kTaoMethod = TextById(IDS_SESSION_TAO_METHOD);

// Well after the chain has reached the question (the checks take a few virtual seconds).
constexpr uint64_t kAnswerAt = 60000;

const TFakeLibrary::TDisc kWritten{1, 0, 1, 1, 1};  // answered, not blank, erasable, ready
const TFakeLibrary::TDisc kErasedDisc{1, 1, 1, 1, 1};
const TFakeLibrary::TDisc kNotReady{1, 0, 1, 0, 1};

// The memo items from the question on.
std::vector<std::string> MemoFromQuestion(const TSessionWorld& w) {
  auto it = std::find(w.View.Memo.begin(), w.View.Memo.end(), kQuestion);
  return std::vector<std::string>(it, w.View.Memo.end());
}

TEST(SessionErase, YesErasesAndStartsTheRecordingFromInsideTheHandler) {
  TSessionWorld w;
  w.Library.Discs = {kWritten, kErasedDisc};
  w.Burn.Starts = true;
  w.Host.PressAt(kAnswerAt, TButtonId::ButtonLeft);
  w.Run();
  EXPECT_EQ(MemoFromQuestion(w), (std::vector<std::string>{kQuestion, kErasing, kErased, kTaoMethod}));
  EXPECT_TRUE(w.Log.Has("Lib:BlankDisc:1"));
  EXPECT_EQ(w.Log.Count("StartBurn:2"), 1);
  EXPECT_EQ(w.Form->EraseDecision, 1);
  EXPECT_EQ(w.Form->Step(), stBlankDisc);  // the handler ends with step 5, also after the start
  EXPECT_EQ(w.Form->ResultCode, -1);
  EXPECT_EQ(
      w.Log.Matching("Caption:Right:"),
      (std::vector<std::string>{"Caption:Right:" + kCaptionPleaseWait, "Caption:Right:" + kCaptionCancel,
                                "Caption:Right:" + kCaptionNo, "Caption:Right:" + kCaptionPleaseWait,
                                "Caption:Right:" + kCaptionCancel}));
  EXPECT_EQ(w.Log.Matching("Caption:Left:"),
            (std::vector<std::string>{"Caption:Left:" + kCaptionYes, "Caption:Left:" + kCaptionHelpPlain}));
  EXPECT_TRUE(w.View.HintShown[TButtonId::ButtonLeft]);
  EXPECT_EQ(w.Form->LeftHandler, THandler::ButtonLeftClick);
  EXPECT_EQ(w.Form->RightHandler, THandler::ButtonRightClick);
  EXPECT_FALSE(w.MemoHas(kNoBlankDisc));
  EXPECT_EQ(w.Log.Count("Lib:Unload"), 0);
}

TEST(SessionErase, TheGaugeDuringTheQuestionAndTheErase) {
  TSessionWorld w;
  w.Library.Discs = {kWritten, kErasedDisc};
  w.Library.ReadyAnswers = {16, 16};  // stops the recording's start before the gauge is filled
  w.Host.PressAt(kAnswerAt, TButtonId::ButtonLeft);
  w.Run();
  // 15 unpacking + 10 + 5 recorder + 15 question + 15 erasing, then 20 once erased, + 15 blank.
  EXPECT_EQ(w.View.Position[TGaugeId::ProgressBarLeft], 35);
  EXPECT_EQ(w.Form->ResultCode, 76);
}

struct TYesCase {
  const char* Name;
  int32_t BlankAnswer;
  std::vector<TFakeLibrary::TDisc> Discs;
  int DiscQueries;
  int Gauge;
};

TEST(SessionErase, YesThatDoesNotEndInABlankDiscReports) {
  const TYesCase cases[] = {
      {"EraseRefused", 2, {kWritten}, 1, 60},
      {"StillWritten", 1, {kWritten, kWritten}, 2, 20},
      {"NeverReady", 1, {kWritten, kNotReady}, 62, 80},
      {"NeverReadyThoughBlank", 1, {kWritten, {1, 1, 1, 0, 1}}, 62, 80},
      {"QueryFails", 1, {kWritten, {13, 1, 1, 1, 1}}, 2, 20},
  };
  for (const TYesCase& c : cases) {
    TSessionWorld w;
    w.Library.Discs = c.Discs;
    const int32_t blankAnswer = c.BlankAnswer;
    w.Library.BlankDisc = [blankAnswer](int32_t) { return blankAnswer; };
    w.Host.PressAt(kAnswerAt, TButtonId::ButtonLeft);
    w.Run();
    EXPECT_EQ(MemoFromQuestion(w), (std::vector<std::string>{kQuestion, kErasing, kUnable, kNoBlankDisc}))
        << c.Name;
    EXPECT_EQ(w.Form->EraseDecision, 2) << c.Name;
    EXPECT_EQ(w.Form->Step(), stBlankDisc) << c.Name;
    EXPECT_EQ(w.Form->ResultCode, 5) << c.Name;
    EXPECT_EQ(w.RightCaption(), kCaptionOk) << c.Name;
    EXPECT_EQ(w.Log.Count("Lib:GetDiscInfo"), c.DiscQueries) << c.Name;
    EXPECT_EQ(w.Log.Count("Lib:Unload"), 1) << c.Name;
    EXPECT_EQ(w.Log.Count("StartBurn:2"), 0) << c.Name;
    EXPECT_EQ(w.View.Position[TGaugeId::ProgressBarLeft], c.Gauge) << c.Name;
  }
}

TEST(SessionErase, ADiscThatBecomesReadyWhileWaitingIsErased) {
  TSessionWorld w;
  w.Library.Discs = {kWritten, kNotReady, kNotReady, kNotReady, kErasedDisc};
  w.Host.PressAt(kAnswerAt, TButtonId::ButtonLeft);
  w.Run();
  EXPECT_TRUE(w.MemoHas(kErased));
  EXPECT_EQ(w.Form->EraseDecision, 1);
  // Two polls of two seconds found it not ready; the third found it ready.
  EXPECT_EQ(w.Log.Count("Lib:GetDiscInfo"), 5);
}

TEST(SessionErase, WaitingForTheDriveMovesTheGaugeNoFurtherThanItsEnd) {
  TSessionWorld w;
  ASSERT_TRUE(w.Binding.BindRecordingLibrary());
  w.Library.Discs = {kNotReady};
  w.View.Position[TGaugeId::ProgressBarLeft] = 95;
  const uint64_t start = w.Host.Now;
  w.Form->WaitDiscReady();
  EXPECT_EQ(w.View.Position[TGaugeId::ProgressBarLeft], 100);
  EXPECT_EQ(w.Log.Count("Lib:GetDiscInfo"), 60);
  EXPECT_EQ(w.Host.Now - start, 120000u);
}

TEST(SessionErase, NoGivesCancelThenOkAndTheReportAndIsNeverAskedAgain) {
  TSessionWorld w;
  w.Library.Discs = {kWritten};
  w.Host.PressAt(kAnswerAt, TButtonId::ButtonRight);
  w.Run();
  EXPECT_EQ(MemoFromQuestion(w), (std::vector<std::string>{kQuestion, kNoBlankDisc}));
  const std::vector<std::string> captions = w.Log.Matching("Caption:Right:");
  EXPECT_EQ(std::vector<std::string>(captions.end() - 3, captions.end()),
            (std::vector<std::string>{"Caption:Right:" + kCaptionNo, "Caption:Right:" + kCaptionCancelPlain,
                                      "Caption:Right:" + kCaptionOk}));
  EXPECT_EQ(w.Form->EraseDecision, 2);
  EXPECT_EQ(w.Form->Step(), stBlankDisc);
  EXPECT_EQ(w.Form->ResultCode, 5);
  EXPECT_EQ(w.Log.Count("Lib:BlankDisc:1"), 0);

  // A later blank check in this session goes straight to the report.
  EXPECT_FALSE(w.Form->CheckBlankDisc(false));
  EXPECT_EQ(std::count(w.View.Memo.begin(), w.View.Memo.end(), kQuestion), 1);
  EXPECT_EQ(std::count(w.View.Memo.begin(), w.View.Memo.end(), kNoBlankDisc), 2);
  // And the press at step 5 checks once more and ends with 5.
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, 5);
  EXPECT_EQ(w.Log.Count("Caption:Right:" + kCaptionNo), 1);
}

TEST(SessionErase, AfterASuccessfulEraseAnotherCheckFailsSilently) {
  TSessionWorld w;
  ASSERT_TRUE(w.Binding.BindRecordingLibrary());
  w.Library.Discs = {kWritten};
  w.Form->EraseDecision = 1;
  EXPECT_FALSE(w.Form->CheckBlankDisc(false));
  EXPECT_TRUE(w.View.Memo.empty());
  EXPECT_EQ(w.Form->Step(), stEraseQuestion);
}

TEST(SessionErase, ADiscThatCannotBeErasedIsNotOffered) {
  TSessionWorld w;
  w.Library.Discs = {{1, 0, 0, 1, 1}};
  w.Run();
  EXPECT_FALSE(w.MemoHas(kQuestion));
  EXPECT_TRUE(w.MemoHas(kNoBlankDisc));
  EXPECT_EQ(w.Form->EraseDecision, 0);
}

TEST(SessionErase, TheRightButtonDoesNothingWhileTheDiscIsErased) {
  TSessionWorld w;
  w.Library.Discs = {kWritten, kNotReady, kNotReady, kErasedDisc};
  w.Burn.Starts = true;
  w.Host.PressAt(kAnswerAt, TButtonId::ButtonLeft);
  w.Host.PressAt(kAnswerAt + 1000, TButtonId::ButtonRight);  // reads "Please Wait" now
  w.Host.PressAt(kAnswerAt + 3000, TButtonId::ButtonLeft);   // reads "Help" now
  w.Run();
  EXPECT_FALSE(w.Host.ExitCode.has_value());
  EXPECT_EQ(w.Log.Count("OpenHelpPage"), 1);
  EXPECT_EQ(w.Log.Count("StartBurn:2"), 1);
}

TEST(SessionErase, TheQuestionEndsWhenTheApplicationTerminates) {
  TSessionWorld w;
  w.Library.Discs = {kWritten};
  w.Host.TerminateAt = kAnswerAt;
  w.Run();  // a wait loop that kept polling would spin here; the fake stops it as a failure
  EXPECT_TRUE(w.MemoHas(kQuestion));
  EXPECT_FALSE(w.MemoHas(kNoBlankDisc));
  EXPECT_EQ(w.Form->EraseDecision, 0);
  EXPECT_EQ(w.Log.Count("StartBurn:2"), 0);
  EXPECT_EQ(w.Log.Count("Lib:Unload"), 0);
}

TEST(SessionErase, AFailedRecordingStartedFromTheQuestionLooksForABlankDiscOnce) {
  TSessionWorld w;
  w.Library.Discs = {kWritten, kErasedDisc, kWritten};
  w.Burn.Starts = true;
  w.Host.PressAt(kAnswerAt, TButtonId::ButtonLeft);
  w.Run();
  ASSERT_EQ(w.Form->Step(), stBlankDisc);
  // The worker fails; the completion hands "&OK" back.
  w.Form->SetResult(7);
  w.Form->SetRightButton(rbOk);
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, 7);
  EXPECT_EQ(w.Log.Count("Lib:GetDiscInfo"), 3);
}

}  // namespace
}  // namespace qx::test
