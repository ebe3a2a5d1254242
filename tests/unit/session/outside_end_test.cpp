// The session's end when something outside it ends the process: a quit message (any process can
// post one), the system's log-off or shutdown, a close. Each ends as one of the session's results
// with the history saved and the clean-up started; success only ever comes from the press after
// a completed disc.
#include <gtest/gtest.h>

#include "session_world.h"

namespace qx::test {
namespace {

const std::string kCanceling = TextById(IDS_SESSION_CANCELING);
const std::string kEraseQuestion = TextById(IDS_ERASE_QUESTION);
const std::string kShutdownReason = TextById(IDS_SHUTDOWN_WHILE_RECORDING);

// The session rests with the recording running (the fake worker never ends by itself).
void RunToTheWrite(TSessionWorld& w) {
  w.Burn.Starts = true;
  w.Run();
  ASSERT_TRUE(w.Burn.BurnRunning());
  ASSERT_FALSE(w.Host.ExitCode.has_value());
}

// The recording has completed: step 10, "&OK", waiting for the press.
void RunToTheCompletedDisc(TSessionWorld& w) {
  RunToTheWrite(w);
  TBurnOutcome outcome;
  outcome.LastWriteResult = 1;
  w.Burn.Finish(outcome);
  ASSERT_EQ(w.Form->Step(), stDiscCompleted);
  ASSERT_EQ(w.RightCaption(), "&OK");
}

struct TQuitCase {
  const char* Name;
  // Sets the world up and schedules the quit (or runs to the point and quits).
  std::function<void(TSessionWorld&)> Run;
  int ExitCode;
  bool CancelLine;
  bool Aborted;  // the running write was aborted
  // Every clean-up the session started: the completion's own first one, then the end's.
  std::vector<std::string> Cleanups;
};

class SessionQuit : public ::testing::TestWithParam<TQuitCase> {};

TEST_P(SessionQuit, EndsAsOneOfTheSessionsResultsWithTheHistorySavedAndTheCleanupStarted) {
  const TQuitCase& c = GetParam();
  TSessionWorld w;
  c.Run(w);
  ASSERT_TRUE(w.Host.ExitCode.has_value()) << "the session did not end";
  EXPECT_EQ(*w.Host.ExitCode, c.ExitCode);
  EXPECT_EQ(w.Log.Count("EndProcess:" + std::to_string(c.ExitCode)), 1);
  EXPECT_EQ(w.Host.Registry["BBResult"], std::to_string(c.ExitCode));
  EXPECT_EQ(w.MemoHas(kCanceling), c.CancelLine);
  EXPECT_EQ(w.Log.Has("AbortBurn"), c.Aborted);
  EXPECT_EQ(w.Log.Matching("Cleanup:"), c.Cleanups);
  const int endsCleanup = w.Log.Position(c.Cleanups.back());
  EXPECT_LT(w.Log.IndexOf("Reg:BBResult="), endsCleanup);
  EXPECT_LT(endsCleanup, w.Log.IndexOf("EndProcess:"));
  EXPECT_FALSE(w.Log.Has("OpenCoverSheet"));
}

const TQuitCase kQuitCases[] = {
    {"BeforeTheSessionStarts",
     [](TSessionWorld& w) {
       w.Form->FormCreate(false);
       w.Form->ApplicationTerminate();
     },
     1,
     true,
     false,
     {"Cleanup:1,0"}},
    {"DuringTheChecks",
     [](TSessionWorld& w) {
       w.Host.QuitAt(300);  // inside the pause before the banner
       w.Run();
       EXPECT_FALSE(w.Log.Has("Lib:Start"));
     },
     1,
     true,
     false,
     {"Cleanup:1,0"}},
    {"AtTheEraseQuestion",
     [](TSessionWorld& w) {
       w.Library.Discs = {{1, 0, 1, 1, 1}};
       w.Host.OutsideAt(0, "QuitOnceAsked", [&w] {
         // Waits for the question, then quits from inside its answer loop.
         w.Host.QuitAt(w.Host.Now + 1000000);
       });
       w.Run();
       EXPECT_TRUE(w.MemoHas(kEraseQuestion));
       EXPECT_FALSE(w.Log.Has("Lib:BlankDisc:1"));
     },
     1,
     true,
     false,
     {"Cleanup:1,0"}},
    {"DuringTheWrite",
     [](TSessionWorld& w) {
       RunToTheWrite(w);
       w.Host.QuitAt(w.Host.Now);
       w.Host.ProcessMessages();
       EXPECT_EQ(w.Form->TAOModeFail, 1);
       EXPECT_EQ(w.View.ShutdownBlockReason, "");
     },
     1,
     true,
     true,
     {"Cleanup:1,0"}},
    {"AfterAFailedWrite",
     [](TSessionWorld& w) {
       RunToTheWrite(w);
       TBurnOutcome outcome;
       outcome.Result = 7;
       outcome.LastWriteResult = 19;
       w.Burn.Finish(outcome);
       w.Host.QuitAt(w.Host.Now);
       w.Host.ProcessMessages();
     },
     7,
     false,
     false,
     {"Cleanup:0,0", "Cleanup:1,0"}},
    // The disc is complete, but nobody acknowledged it: no success, the applet stays.
    {"AfterTheCompletedDiscBeforeTheOk",
     [](TSessionWorld& w) {
       RunToTheCompletedDisc(w);
       w.Host.QuitAt(w.Host.Now);
       w.Host.ProcessMessages();
       EXPECT_EQ(w.Host.Registry["TAOModeSuccess"], "1");
     },
     1,
     true,
     false,
     {"Cleanup:0,0", "Cleanup:1,0"}},
    {"ASecondQuitWhileTheSessionEnds",
     [](TSessionWorld& w) {
       w.Host.Registry.erase("LastFolderPath");  // rests in step 9
       w.Run();
       // The end's own 2.4 s wait: the second quit arrives inside it.
       w.Host.OutsideAt(w.Host.Now + 1, "Quit", [&w] { w.Form->ApplicationTerminate(); });
       w.Host.OutsideAt(w.Host.Now + 2, "Quit", [&w] { w.Form->ApplicationTerminate(); });
       w.Host.ProcessMessages();
       w.Host.Delay(10);
     },
     1,
     true,
     false,
     {"Cleanup:1,0"}},
    // The system's log-off goes ahead without asking first (or after a refused query).
    {"EndSessionDuringTheWrite",
     [](TSessionWorld& w) {
       RunToTheWrite(w);
       w.Form->EndSession(true);
     },
     1,
     true,
     true,
     {"Cleanup:1,0"}},
    {"EndSessionAfterTheCompletedDisc",
     [](TSessionWorld& w) {
       RunToTheCompletedDisc(w);
       w.Form->EndSession(true);
     },
     1,
     true,
     false,
     {"Cleanup:0,0", "Cleanup:1,0"}},
};

INSTANTIATE_TEST_SUITE_P(Table, SessionQuit, ::testing::ValuesIn(kQuitCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SessionQuit, OnlyThePressAfterTheCompletedDiscIsASuccess) {
  TSessionWorld w;
  RunToTheCompletedDisc(w);
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, 0);
  EXPECT_EQ(w.Host.Registry["BBResult"], "0");
  EXPECT_TRUE(w.Log.Has("Cleanup:1,1"));
  // A quit after the end has begun changes nothing.
  w.Form->ApplicationTerminate();
  EXPECT_EQ(w.Log.Count("Reg:BBResult=0"), 1);
}

TEST(SessionShutdown, RefusedWhileTheWriteRunsWithTheReasonShown) {
  TSessionWorld w;
  RunToTheWrite(w);
  EXPECT_EQ(w.View.ShutdownBlockReason, kShutdownReason);
  EXPECT_LT(w.Log.IndexOf("StartBurn:"), w.Log.IndexOf("ShutdownBlock:" + kShutdownReason));
  EXPECT_FALSE(w.Form->QueryEndSession());
  w.Form->EndSessionAgreed();  // a notice that no agreement preceded
  w.Form->EndSession(false);
  EXPECT_FALSE(w.Host.ExitCode.has_value());
  EXPECT_FALSE(w.Log.Has("AbortBurn"));
  // The write completes; the reason goes, and the session ends with the press as always.
  TBurnOutcome outcome;
  outcome.LastWriteResult = 1;
  w.Burn.Finish(outcome);
  EXPECT_EQ(w.View.ShutdownBlockReason, "");
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, 0);
}

TEST(SessionShutdown, AgreedOutsideTheWriteAndTheSessionEndsAsCancelledOnceAnswered) {
  TSessionWorld w;
  w.Host.Registry.erase("LastFolderPath");  // rests in step 9 with "&Cancel"
  w.Run();
  ASSERT_EQ(w.Form->Step(), stBusy);
  EXPECT_TRUE(w.Form->QueryEndSession());
  EXPECT_FALSE(w.Host.ExitCode.has_value());  // not inside the answer
  w.Form->EndSessionAgreed();
  EXPECT_EQ(w.Host.ExitCode, 1);
  EXPECT_EQ(w.Host.Registry["BBResult"], "1");
  EXPECT_TRUE(w.MemoHas(kCanceling));
  EXPECT_EQ(w.Log.Matching("Cleanup:"), std::vector<std::string>{"Cleanup:1,0"});
  EXPECT_FALSE(w.View.ShutdownBlockReason.size());
}

TEST(SessionShutdown, ALogOffThatDoesNotHappenLeavesTheSessionRunning) {
  for (bool queried : {false, true}) {
    SCOPED_TRACE(queried ? "agreed, then called off" : "a notice from nowhere");
    TSessionWorld w;
    w.Host.Registry.erase("LastFolderPath");
    w.Run();
    if (queried) {
      EXPECT_TRUE(w.Form->QueryEndSession());
      w.Form->EndSession(false);
    }
    w.Form->EndSessionAgreed();
    EXPECT_FALSE(w.Host.ExitCode.has_value());
    EXPECT_FALSE(w.Log.Has("Reg:BBResult=1"));
    // The session goes on as before: the press still cancels.
    w.Press(TButtonId::ButtonRight);
    EXPECT_EQ(w.Host.ExitCode, 1);
  }
}

TEST(SessionClose, ACloseFromOutsideChangesNothingAtAnyPoint) {
  TSessionWorld w;
  EXPECT_FALSE(w.Form->FormClose(false));
  RunToTheCompletedDisc(w);
  EXPECT_FALSE(w.Form->FormClose(false));
  EXPECT_FALSE(w.Host.ExitCode.has_value());
  EXPECT_FALSE(w.Log.Has("Reg:BBResult=0"));
}

}  // namespace
}  // namespace qx::test
