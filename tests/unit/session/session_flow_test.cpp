// The session's flow: the chain of checks stopping at its first failure, the right button at
// every step, presses that arrive inside a running check, the end of the session and its seams.
#include <gtest/gtest.h>

#include "fakes/texts.h"
#include "session_world.h"

namespace qx::test {
namespace {

// The expected memo items, from the one text table.
const std::string kBanner = TextById(IDS_PRODUCT_BANNER);
const std::string kRequiredFiles = TextById(IDS_CHECK_REQUIRED_FILES);
const std::string kDiskSpace = TextById(IDS_CHECK_DISK_SPACE);
const std::string kNoAspi = TextById(IDS_CHECK_NO_ASPI);
const std::string kLowMemory = TextById(IDS_CHECK_LOW_MEMORY);
const std::string kNoRecorderAdmin = std::string(TextById(IDS_CHECK_NO_RECORDER)) +
                                     TextById(IDS_SUPPORT_EMAIL) + TextById(IDS_CHECK_NO_RECORDER_END);
const std::string kNeedAdmin = TextById(IDS_CHECK_NEED_ADMIN);
const std::string kNoMethod = TextById(IDS_SESSION_NO_METHOD);
const std::string kNoBlankDisc = TextById(IDS_CHECK_NO_BLANK_DISC);
const std::string kProblem = TextById(IDS_SESSION_PROBLEM);
const std::string kCanceling = TextById(IDS_SESSION_CANCELING);
const std::string kTaoMethod = TextById(IDS_SESSION_TAO_METHOD);
const std::string kRecorderLine = fakes::Text(IDS_CHECK_RECORDER) + " ACME Burner 52x";
using fakes::kCaptionCancel;
using fakes::kCaptionCancelPlain;
using fakes::kCaptionOk;
using fakes::kCaptionPleaseWait;
using fakes::LibraryMessage;
using fakes::Text;

// "Disc will be ready in N minutes."
std::string ReadyIn(int minutes) {
  return Text(IDS_SESSION_READY_IN) + " " + std::to_string(minutes) + " " + Text(IDS_SESSION_MINUTES);
}

TEST(SessionFlow, AllChecksPassAndTheRecordingStarts) {
  TSessionWorld w;
  w.Burn.Starts = true;
  w.Host.Ini[{"TITLE", "Title"}] = "Holiday 2026";
  w.Host.Versions["C:\\Applet\\Applet.exe"] = {2, 1, 0, 5};
  w.Host.Versions["wnaspi32.dll"] = {4, 6, 0, 1021};
  w.Run();

  EXPECT_EQ(w.View.Memo, (std::vector<std::string>{
                             "\"Holiday 2026\"", kBanner,
                             Text(IDS_CHECK_VERSION) + "2.10" + Text(IDS_CHECK_WITH_ASPI) + "4.60(1021)",
                             kRecorderLine, kTaoMethod}));
  EXPECT_EQ(w.Form->VolumeTitle, "Holiday 2026");
  EXPECT_EQ(w.Form->Step(), stBusy);
  EXPECT_EQ(w.Form->WriteMethod, wmTrackAtOnce);
  EXPECT_EQ(w.Form->ResultCode, -1);
  EXPECT_FALSE(w.View.EnabledState[TButtonId::ButtonRight]);
  EXPECT_EQ(w.View.Position[TGaugeId::ProgressBarLeft], 100);
  EXPECT_EQ(w.Form->CpuSpeed, 1000);
  EXPECT_EQ(w.Form->MemoryFactor, 4);
  EXPECT_EQ(w.Burn.TestModes, std::vector<bool>{false});
  EXPECT_FALSE(w.Host.ExitCode.has_value());
  // The order in which the session reaches the library, the machine and the seams.
  const std::vector<std::string> order = {"Caption:Right:" + kCaptionPleaseWait,
                                          "UnpackSupportFiles",
                                          "Rename:C:\\Applet\\W2kXP03.qx>C:\\Applet\\wnaspi32.dll",
                                          "Lib:Start",
                                          "Lib:GetVendorProductStrings",
                                          "Lib:GetSupportedWriteModes",
                                          "CloseCdPlayer",
                                          "Lib:GetDiscInfo",
                                          "SetAttributes:C:\\Applet\\qxi9cd.qx=2",
                                          "Lib:IsDeviceReadyEx",
                                          "Enabled:Right:0",
                                          "LowerThreadBelowNormal",
                                          "StartBurn:2",
                                          "LowerThreadBelowNormal"};
  int last = -1;
  for (const std::string& event : order) {
    const auto it = std::find(w.Log.Events.begin() + (last + 1), w.Log.Events.end(), event);
    ASSERT_NE(it, w.Log.Events.end()) << event << " missing or out of order";
    last = static_cast<int>(it - w.Log.Events.begin());
  }
}

TEST(SessionFlow, TestModeComesFromTheSwitchOrTheHistory) {
  for (int variant = 0; variant < 3; ++variant) {
    TSessionWorld w;
    if (variant == 1) w.Host.Switches.insert("/testqx00");
    if (variant == 2) w.Host.Registry["Testing"] = "1";
    w.Run();
    EXPECT_EQ(w.Burn.TestModes, std::vector<bool>{variant != 0}) << variant;
  }
}

// One failure of the chain: how to cause it, where the session rests, and what one press of the
// right button then does.
struct TStopCase {
  const char* Name;
  std::function<void(TSessionWorld&)> Arrange;
  TStep Step;
  std::string LastMemo;
  std::string Caption;
  int ResultAtRest;
  int ExitCode;
  const char* CleanupArgs;
  bool CancelLine;
  int Beeps;
  int StartBurnCalls = 0;
};

class SessionChainStops : public ::testing::TestWithParam<TStopCase> {};

TEST_P(SessionChainStops, AtTheFirstFailureWithItsStepMessageAndResult) {
  const TStopCase& c = GetParam();
  TSessionWorld w;
  c.Arrange(w);
  w.Run();
  ASSERT_FALSE(w.View.Memo.empty());
  EXPECT_EQ(w.View.Memo.back(), c.LastMemo);
  EXPECT_EQ(w.Form->Step(), c.Step);
  EXPECT_EQ(w.RightCaption(), c.Caption);
  EXPECT_EQ(w.Form->ResultCode, c.ResultAtRest);
  EXPECT_TRUE(w.View.EnabledState[TButtonId::ButtonRight]);
  EXPECT_EQ(w.Log.Count("StartBurn:2"), c.StartBurnCalls);
  EXPECT_EQ(w.Log.Count("Beep"), c.Beeps);
  ASSERT_FALSE(w.Host.ExitCode.has_value());

  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, c.ExitCode);
  EXPECT_EQ(w.Host.Registry["BBResult"], std::to_string(c.ExitCode));
  EXPECT_EQ(w.Log.Matching("Cleanup:"), std::vector<std::string>{std::string("Cleanup:") + c.CleanupArgs});
  EXPECT_EQ(w.MemoHas(kCanceling), c.CancelLine);
}

const TStopCase kStopCases[] = {
    {"RequiredFilesMissing", [](TSessionWorld& w) { w.Host.Files.erase("C:\\Applet\\qxorig.qx"); },
     stRequiredFiles, kRequiredFiles, kCaptionOk, -1, 2, "1,0", false, 1},
    {"TooLittleSpace", [](TSessionWorld& w) { w.Host.Free["C:\\"] = 999999; }, stDiskSpace, kDiskSpace,
     kCaptionOk, -1, 3, "1,0", false, 1},
    {"NetworkShareCountsAsFull",
     [](TSessionWorld& w) {
       w.Host.Folder = "\\\\server\\share\\";
       w.Host.AddFile("\\\\server\\share\\qxorig.qx");
     },
     stDiskSpace, kDiskSpace, kCaptionOk, -1, 3, "1,0", false, 1},
    {"NoAspiLayer",
     [](TSessionWorld& w) {
       w.Host.Admin = false;
       w.Host.AddFile("C:\\Applet\\wnaspi32.dll");
       w.Host.Versions["wnaspi32.dll"] = {1, 0, 0, 0};
     },
     stAspiLayer, kNoAspi, kCaptionOk, -1, 4, "0,0", false, 1},
    {"TooLittleMemory",
     [](TSessionWorld& w) {
       w.Host.Memory = {4u << 20, 20u << 20};
     },
     stBusy, kLowMemory, kCaptionCancel, -1, 1, "1,0", true, 1},
    {"NoRecorderAsAdministrator",
     [](TSessionWorld& w) { w.Library.Start = [](int32_t, int32_t) { return 23; }; }, stRecorder,
     kNoRecorderAdmin, kCaptionOk, 8, 8, "1,0", false, 1},
    {"NoRecorderWithoutRights",
     [](TSessionWorld& w) {
       w.Library.Start = [](int32_t, int32_t) { return 23; };
       w.Host.Admin = false;
       w.Host.Path = "C:\\WINDOWS\\SYSTEM32";
       w.Host.AddFile("C:\\WINDOWS\\SYSTEM32\\wnaspi32.dll");
     },
     stRecorder, kNeedAdmin, kCaptionOk, 11, 11, "1,0", false, 1},
    {"NoRecorderOnNineX",
     [](TSessionWorld& w) {
       w.Library.Start = [](int32_t, int32_t) { return 23; };
       w.Host.NT = false;
     },
     stRecorder, kNoMethod, kCaptionOk, 8, 8, "1,0", false, 1},
    {"NoLibrary", [](TSessionWorld& w) { w.Loader.Loadable = false; }, stRecorder, kNoRecorderAdmin,
     kCaptionOk, 8, 8, "1,0", false, 1},
    {"NoBlankDisc",
     [](TSessionWorld& w) {
       w.Library.Discs = {{1, 0, 0, 1, 1}};
     },
     stBlankDisc, kNoBlankDisc, kCaptionOk, 5, 5, "1,0", false, 1},
    {"NoTrackAtOnce",
     [](TSessionWorld& w) {
       w.Library.Tao = 0;
       w.Library.Flag2 = 1;
       w.Library.Flag3 = 1;
     },
     stBusy, kNoMethod, kCaptionOk, 6, 6, "1,0", false, 0},
    {"WriteModesUnknown", [](TSessionWorld& w) { w.Library.ModesAnswer = 2; }, stBusy, kNoMethod, kCaptionOk,
     6, 6, "1,0", false, 0},
    {"EmptyProjectFolder", [](TSessionWorld& w) { w.Host.Registry.erase("LastFolderPath"); }, stBusy,
     kProblem, kCaptionCancel, -1, 1, "1,0", true, 0},
    {"DeviceNotReadyTwice",
     [](TSessionWorld& w) {
       w.Library.ReadyAnswers = {16, 16};
     },
     stBusy, LibraryMessage(16), kCaptionCancel, 76, 76, "1,0", false, 0},
    {"RecordingNotStarted", [](TSessionWorld&) {}, stBusy, kRecorderLine, kCaptionOk, -1, 1, "1,0", true, 0,
     1},
};

// A quit (or any other end from outside) while the session rests after a failure ends it with
// the result its press gives, the history saved and the clean-up started; the erase or retry the
// press might start, and the ASPI help page, are not what a quit asks for.
TEST_P(SessionChainStops, AQuitAtRestEndsWithTheResultOfThePress) {
  const TStopCase& c = GetParam();
  TSessionWorld w;
  c.Arrange(w);
  w.Run();
  ASSERT_FALSE(w.Host.ExitCode.has_value());
  const int discQueries = w.Log.Count("Lib:GetDiscInfo");
  w.Host.QuitAt(w.Host.Now);
  w.Host.ProcessMessages();
  EXPECT_EQ(w.Host.ExitCode, c.ExitCode);
  EXPECT_EQ(w.Host.Registry["BBResult"], std::to_string(c.ExitCode));
  EXPECT_EQ(w.Log.Matching("Cleanup:"), std::vector<std::string>{std::string("Cleanup:") + c.CleanupArgs});
  EXPECT_EQ(w.MemoHas(kCanceling), c.CancelLine);
  EXPECT_EQ(w.Log.Count("Lib:GetDiscInfo"), discQueries);
  EXPECT_FALSE(w.Log.Has("OpenAspiHelpPage"));
  EXPECT_LT(w.Log.IndexOf("Reg:BBResult="), w.Log.IndexOf("Cleanup:"));
}

INSTANTIATE_TEST_SUITE_P(Table, SessionChainStops, ::testing::ValuesIn(kStopCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SessionFlow, FailedChecksStopTheChainBeforeTheNextOne) {
  TSessionWorld w;
  w.Host.Files.erase("C:\\Applet\\qxorig.qx");
  w.Run();
  EXPECT_EQ(w.Log.Count("Beep"), 1);
  EXPECT_EQ(w.Log.IndexOf("FreeBytes:"), -1);
  EXPECT_EQ(w.Log.IndexOf("Lib:"), -1);
  EXPECT_EQ(w.View.Focused, TButtonId::ButtonRight);  // "&OK" takes the focus after the message
}

TEST(SessionFlow, ALibraryThatIsMissingIsReportedOnceAndNotAskedFurther) {
  TSessionWorld w;
  w.Loader.Loadable = false;
  w.Run();
  EXPECT_EQ(std::count(w.View.Memo.begin(), w.View.Memo.end(), kRequiredFiles), 1);
  EXPECT_TRUE(w.MemoHas(LibraryMessage(23)));
  EXPECT_EQ(w.Log.IndexOf("Lib:"), -1);
  EXPECT_EQ(w.Form->ResultCode, 8);
}

TEST(SessionFlow, DeviceNotReadyIsAskedTwiceTwoSecondsApart) {
  TSessionWorld w;
  w.Library.ReadyAnswers = {16, 1};
  w.Burn.Starts = true;
  w.Run();
  EXPECT_EQ(w.Log.Count("Lib:IsDeviceReadyEx"), 2);
  EXPECT_TRUE(w.MemoHas(kTaoMethod));
  EXPECT_EQ(w.Form->ResultCode, -1);
}

TEST(SessionFlow, SecondBlankCheckFromStepFiveStartsTheRecordingWhenADiscIsThere) {
  TSessionWorld w;
  w.Library.Discs = {{1, 0, 0, 1, 1}, {1, 1, 0, 1, 1}};
  w.Burn.Starts = true;
  w.Run();
  ASSERT_EQ(w.Form->ResultCode, 5);
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Form->ResultCode, -1);
  EXPECT_EQ(w.Log.Count("StartBurn:2"), 1);
  EXPECT_FALSE(w.Host.ExitCode.has_value());
  EXPECT_EQ(w.Log.Matching("Caption:Right:").back(), "Caption:Right:" + kCaptionCancel);
}

TEST(SessionFlow, AFailedRecordingAfterARetryKeepsItsResult) {
  TSessionWorld w;
  w.Library.Discs = {{1, 0, 0, 1, 1}, {1, 1, 0, 1, 1}, {1, 0, 0, 1, 1}};
  w.Burn.Starts = true;
  w.Run();
  w.Press(TButtonId::ButtonRight);  // step 5: a blank disc now, the recording starts
  // The worker fails and the completion hands the button back with the step unchanged.
  w.Form->SetResult(7);
  w.Form->SetRightButton(rbOk);
  EXPECT_EQ(w.Form->Step(), stBusy);
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, 7);
  EXPECT_FALSE(w.MemoHas(kCanceling));
}

TEST(SessionRightButton, PleaseWaitAtStepZeroDoesNothing) {
  TSessionWorld w;
  w.Form->FormCreate(false);
  EXPECT_EQ(w.RightCaption(), kCaptionPleaseWait);
  EXPECT_EQ(w.Form->Step(), stCreated);
  const std::size_t before = w.Log.Events.size();
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Log.Events.size(), before + 1);  // only the press itself
  EXPECT_EQ(w.Form->ResultCode, -1);
}

// The press at every step, straight from a resting session.
struct TStepCase {
  uint8_t Step;  // any value the field's type holds, named or not
  int ResultBefore;
  bool BurnRunning;
  int ExitCode;  // -99: the press does nothing
  const char* CleanupArgs;
  std::vector<std::string> Seams;  // the report and burn seams called, in order
  bool CancelLine;
};

TEST(SessionRightButton, EveryStep) {
  const TStepCase cases[] = {
      {0, -1, false, -99, "", {}, false},           {6, -1, false, -99, "", {}, false},
      {1, -1, false, 2, "1,0", {}, false},          {1, 8, false, 2, "1,0", {}, false},  // assigned directly
      {2, -1, false, 3, "1,0", {}, false},          {4, -1, false, 4, "0,0", {"OpenAspiHelpPage"}, false},
      {7, -1, false, 8, "1,0", {}, false},          {7, 11, false, 11, "1,0", {}, false},
      {7, 6, false, 8, "1,0", {}, false},           {10, -1, false, 0, "1,1", {"OpenCoverSheet"}, false},
      {10, 7, false, 7, "1,1", {}, false},          {3, -1, false, 1, "1,0", {}, true},
      {9, -1, false, 1, "1,0", {}, true},           {9, 0, false, 1, "1,0", {}, true},
      {9, -1, true, 1, "1,0", {"AbortBurn"}, true}, {9, 7, true, 7, "1,0", {"AbortBurn"}, false},
      {8, -1, false, 1, "1,0", {}, true},           {200, 6, false, 6, "1,0", {}, false},
  };
  for (const TStepCase& c : cases) {
    TSessionWorld w;
    w.Form->SetStep(static_cast<TStep>(c.Step));
    w.Form->ResultCode = c.ResultBefore;
    w.Burn.Running = c.BurnRunning;
    w.Press(TButtonId::ButtonRight);
    const std::string label = "step " + std::to_string(c.Step) + " result " + std::to_string(c.ResultBefore);
    if (c.ExitCode == -99) {
      EXPECT_EQ(w.Log.Events.size(), 1u) << label;
      continue;
    }
    EXPECT_EQ(w.Host.ExitCode, c.ExitCode) << label;
    EXPECT_EQ(w.Log.Matching("Cleanup:"), std::vector<std::string>{std::string("Cleanup:") + c.CleanupArgs})
        << label;
    std::vector<std::string> seams;
    for (const std::string& e : w.Log.Events)
      if (e == "OpenAspiHelpPage" || e == "OpenCoverSheet" || e == "AbortBurn") seams.push_back(e);
    EXPECT_EQ(seams, c.Seams) << label;
    EXPECT_EQ(w.MemoHas(kCanceling), c.CancelLine) << label;
  }
}

TEST(SessionRightButton, CancelInsideARunningCheckEndsAtOnce) {
  TSessionWorld w;
  // Chain timing: 500 + 200 ms of pauses, then the disk check's own pause from 700 to 850.
  w.Host.PressAt(800, TButtonId::ButtonRight);
  w.Run();
  EXPECT_EQ(w.Host.ExitCode, 1);
  EXPECT_TRUE(w.MemoHas(kCanceling));
  EXPECT_TRUE(w.Form->Cancelled);
  EXPECT_EQ(w.Host.Registry["BBResult"], "1");
  EXPECT_EQ(w.Host.Registry["PriorBurnWasGood"], "0");
  // The interrupted check never resumes: nothing after the end (the fakes would fail the test).
  EXPECT_EQ(w.Log.IndexOf("FreeBytes:"), -1);
  EXPECT_EQ(w.Log.Events.back(), "EndProcess:1");
}

TEST(SessionRightButton, CancelWhileTheDriveSettlesStopsTheRecordingsStart) {
  TSessionWorld w;
  w.Burn.Starts = true;
  // Run once to learn when the drive starts to settle, then again with a press inside that wait.
  w.Run();
  const uint64_t settled = w.Host.Now;
  TSessionWorld again;
  again.Burn.Starts = true;
  again.Host.PressAt(settled - 1000, TButtonId::ButtonRight);
  again.Run();
  EXPECT_EQ(again.Host.ExitCode, 1);
  EXPECT_TRUE(again.Log.Has("Lib:IsDeviceReadyEx"));
  EXPECT_EQ(again.Log.Count("StartBurn:2"), 0);
  EXPECT_EQ(again.Log.Count("AbortBurn"), 0);
}

TEST(SessionRightButton, APressDuringTheClockMeasurementWaitsForTheNextMessageProcessing) {
  TSessionWorld w;
  // The measurement sleeps from 1000 to 1510 without processing messages.
  w.Host.PressAt(1200, TButtonId::ButtonRight);
  w.Run();
  EXPECT_EQ(w.Host.ExitCode, 1);
  EXPECT_EQ(w.Log.Count("CycleCounter"), 2);
  EXPECT_LT(w.Log.IndexOf("SetPriorities:"), w.Log.IndexOf("Press:Right"));
  EXPECT_EQ(w.Log.IndexOf("Rename:"), -1);  // the ASPI check stopped in its first pause
}

TEST(SessionRightButton, APressWhileTheSessionEndsIsIgnored) {
  TSessionWorld w;
  w.Library.Discs = {{1, 0, 0, 1, 1}, {1, 0, 0, 1, 1}, {1, 1, 0, 1, 1}};
  w.Burn.Starts = true;
  w.Run();
  ASSERT_EQ(w.Form->Step(), stBlankDisc);
  // The retry fails, and the end of the session waits 2.4 s; a disc inserted and OK pressed
  // meanwhile must not start a recording while the files are removed.
  w.Host.PressAt(w.Host.Now + 2000, TButtonId::ButtonRight);
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Host.ExitCode, 5);
  EXPECT_EQ(w.Log.Count("Lib:GetDiscInfo"), 2);
  EXPECT_EQ(w.Log.Count("StartBurn:2"), 0);
  EXPECT_EQ(w.Log.Count("Reg:BBResult=5"), 1);
  EXPECT_EQ(w.Log.Count("Cleanup:1,0"), 1);
}

TEST(SessionSetResult, FirstCodeOfTwoOrMoreWins) {
  TSessionWorld w;
  EXPECT_EQ(w.Form->ResultCode, -1);
  EXPECT_EQ(w.Form->SetResult(5), 5);
  EXPECT_EQ(w.Form->SetResult(8), 5);
  w.Form->ResultCode = 7;
  EXPECT_EQ(w.Form->SetResult(1), 7);
  w.Form->ResultCode = 0;
  EXPECT_EQ(w.Form->SetResult(1), 1);
  EXPECT_EQ(w.Form->SetResult(6), 6);
}

TEST(SessionEnd, SavesOpensDeletesCleansAndEndsInThisOrder) {
  for (const bool online : {false, true}) {
    TSessionWorld w;
    w.Host.Online = online;
    w.Form->SetStep(stDiscCompleted);
    w.Form->SpeedText = "8";
    const uint64_t start = w.Host.Now;
    w.Press(TButtonId::ButtonRight);
    std::vector<std::string> tail;
    for (const std::string& e : w.Log.Events)
      if (e.rfind("Reg:", 0) != 0 && e != "Press:Right") tail.push_back(e);
    std::vector<std::string> expected = {"OpenCoverSheet", "Delete:C:\\Applet\\qxorig.qx", "Cleanup:1,1",
                                         "EndProcess:0"};
    if (online) expected.insert(expected.begin(), "OpenResultsPage");
    EXPECT_EQ(tail, expected) << online;
    EXPECT_LT(w.Log.IndexOf("Reg:BBResult=0"), w.Log.IndexOf(online ? "OpenResultsPage" : "OpenCoverSheet"));
    EXPECT_EQ(w.Host.Now - start, 2400u);
    EXPECT_EQ(w.Host.Registry["PriorX"], "8");
    EXPECT_TRUE(w.Form->Ended());
  }
}

TEST(SessionEnd, ACoverSheetOnlyAfterASuccess) {
  TSessionWorld w;
  w.Form->SetStep(stDiskSpace);
  w.Press(TButtonId::ButtonRight);
  EXPECT_EQ(w.Log.Count("OpenCoverSheet"), 0);
  EXPECT_TRUE(w.Log.Has("Delete:C:\\Applet\\qxorig.qx"));
}

TEST(SessionStart, OnlyTheFirstActivationStartsTheSession) {
  TSessionWorld w;
  w.Run();
  w.Form->ApplicationActivate();
  EXPECT_EQ(w.Log.Count("UnpackSupportFiles"), 1);
  EXPECT_TRUE(w.Form->SessionStarted);
}

TEST(SessionStart, AFailedUnpackRequestsACloseThatIsRefusedAndTheCheckReports) {
  TSessionWorld w;
  w.Payload.Unpacks = false;
  w.Host.Files.erase("C:\\Applet\\qxorig.qx");
  w.Run();
  EXPECT_EQ(w.View.CloseAnswers, std::vector<bool>{false});
  EXPECT_EQ(w.Form->Step(), stRequiredFiles);
  EXPECT_EQ(w.View.Memo.back(), kRequiredFiles);
  EXPECT_EQ(w.View.Position[TGaugeId::ProgressBarLeft], 15);
}

TEST(SessionStart, NoUnpackingWithoutAPayloadModuleOrInAMaintenanceRun) {
  TSessionWorld w;
  w.Payload.Maintenance = true;
  w.Run();
  EXPECT_EQ(w.Log.Count("UnpackSupportFiles"), 0);
  EXPECT_EQ(w.Log.Count("DetachProgress"), 0);
}

TEST(SessionWindow, ClosesOnlyFromTheRightButtonAndRefusesAutoPlayWhileAsked) {
  TSessionWorld w;
  EXPECT_FALSE(w.Form->FormClose(false));
  EXPECT_TRUE(w.Form->FormClose(true));
  EXPECT_TRUE(w.Form->RefuseAutoPlay());
  w.Form->CancelAutoPlay = false;
  EXPECT_FALSE(w.Form->RefuseAutoPlay());
}

TEST(SessionWindow, TheMemoChangingEnablesAndFocusesTheLeftButton) {
  TSessionWorld w;
  w.View.EnabledState[TButtonId::ButtonLeft] = false;
  w.View.AppendStatus("x");
  EXPECT_TRUE(w.View.EnabledState[TButtonId::ButtonLeft]);
  EXPECT_EQ(w.View.Focused, TButtonId::ButtonLeft);
}

TEST(SessionWindow, TheLeftButtonOpensTheHelpPage) {
  TSessionWorld w;
  w.Press(TButtonId::ButtonLeft);
  EXPECT_TRUE(w.Log.Has("OpenHelpPage"));
}

TEST(SessionPreview, ShowsFiveSecondsAndTouchesNothingButTheHistoryOnDestroy) {
  TSessionWorld w;
  w.Form->FormCreate(true);
  EXPECT_TRUE(w.Log.Has("Repaint"));
  EXPECT_TRUE(w.Log.Has("Sleep:5000"));
  EXPECT_EQ(w.View.CloseAnswers, std::vector<bool>{false});
  EXPECT_EQ(w.Log.IndexOf("Lib:"), -1);
  EXPECT_EQ(w.Log.IndexOf("Reg:"), -1);
  EXPECT_EQ(w.Log.IndexOf("UnpackSupportFiles"), -1);
  w.Form->FormDestroy();
  EXPECT_EQ(w.Host.Registry["BBResult"], "-1");
}

TEST(SessionSpeedInputs, GatherTheSessionsValues) {
  TSessionWorld w;
  w.Host.NT = false;
  w.Host.Registry = {{"PriorX", "10"},        {"PriorBurnWasGood", "0"}, {"PriorSaidHoldThrottle", "1"},
                     {"TAOModeSuccess", "7"}, {"SAOModeSuccess", "2"},   {"DAOModeSuccess", "1"},
                     {"CPUspeed", "450"}};
  w.Form->LoadHistory();
  w.Form->MemoryFactor = 4;
  // The recorder's two inputs (protection, highest speed) are the burn worker's to add.
  const TSpeedInputs in = w.Form->BurnRequest().Speed;
  EXPECT_FALSE(in.IsNT);
  EXPECT_EQ(in.CpuSpeed, 450);
  EXPECT_EQ(in.MemoryFactor, 4);
  EXPECT_FALSE(in.PriorBurnWasGood);
  EXPECT_TRUE(in.PriorSaidHoldThrottle);
  EXPECT_EQ(in.PriorX, 10);
  EXPECT_EQ(in.TAOModeSuccess + 10 * in.SAOModeSuccess + 100 * in.DAOModeSuccess, 127);
}

struct TEstimateCase {
  const char* Name;
  int64_t SpeedX;
  const char* FolderSize;
  int32_t MediaType;
  bool Testing;
  std::vector<std::string> Lines;
  const char* SpeedText;
  uint32_t SizeMB;
};

TEST(SessionTimeEstimate, LinesAndTheSpeedText) {
  const std::string dontDisturb = Text(IDS_SESSION_DONT_DISTURB);
  const TEstimateCase cases[] = {
      {"TwoHundredMiBAt8X", 8, "209715200", 1, false, {dontDisturb, ReadyIn(4)}, "8", 200},
      {"ZeroSpeedUsesTwo", 0, "209715200", 1, false, {dontDisturb, ReadyIn(13)}, "2", 200},
      {"TestingShowsTheSpeed",
       8,
       "209715200",
       3,
       true,
       {dontDisturb, Text(IDS_SESSION_SPEED_IS) + "8X: " + ReadyIn(4)},
       "8",
       200},
      {"LargerMediaNoEstimate", 8, "209715200", 5, false, {dontDisturb}, "8", 200},
      {"SizeNotANumber", 4, "abc", -1, false, {dontDisturb, ReadyIn(2)}, "4", 0},
      {"FactorBeyondEightBits", 256, "734003200", 1, false, {dontDisturb, ReadyIn(2)}, "256", 700},
  };
  for (const TEstimateCase& c : cases) {
    TSessionWorld w;
    w.Host.Registry["LastFolderSize"] = c.FolderSize;
    w.Host.Registry["Testing"] = c.Testing ? "1" : "0";
    w.Form->LoadHistory();
    w.Form->MediaType = c.MediaType;
    // The worker makes the estimate from the session's request and sends its lines.
    const TBurnRequest request = w.Form->BurnRequest();
    const TTimeEstimate estimate =
        EstimateTime(c.SpeedX, request.FolderSize, request.ShowSpeed, request.MediaType, w.Texts);
    EXPECT_EQ(estimate.Lines, c.Lines) << c.Name;
    EXPECT_EQ(estimate.SizeMB, c.SizeMB) << c.Name;
    EXPECT_TRUE(w.View.Memo.empty()) << c.Name;  // the worker delivers the lines, not the estimate
    // The outcome brings the speed back to the session, which keeps the factor as the speed text.
    TBurnOutcome outcome;
    outcome.SpeedSet = true;
    outcome.SpeedX = c.SpeedX;
    outcome.SizeMB = estimate.SizeMB;
    w.Form->RecordingFinished(outcome);
    EXPECT_EQ(estimate.SpeedText, c.SpeedText) << c.Name;
    EXPECT_EQ(w.Form->SpeedText, c.SpeedText) << c.Name;
    EXPECT_EQ(w.Form->SizeMB, c.SizeMB) << c.Name;
  }
}

}  // namespace
}  // namespace qx::test
