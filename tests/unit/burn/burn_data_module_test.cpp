// The burn data module on fakes: start, the completion's paths (success, failure, missing folder),
// the project folder's clean-up rule, the track tags, and the abort reached through the cancel path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "burn/burn_world.h"

namespace qx::burntest {
namespace {

TEST(BurnDataModule, SuccessReportsCountsAndHandsTheButtonBack) {
  TBurnWorld world;
  ASSERT_TRUE(world.Start());
  EXPECT_TRUE(world.Burn.BurnRunning());
  world.Platform.RunBurnThread();

  EXPECT_FALSE(world.Burn.BurnRunning());
  EXPECT_EQ(world.Form.ResultCode, -1);  // the press of "&OK" turns it into 0
  EXPECT_EQ(world.Form.Step(), stDiscCompleted);
  EXPECT_EQ(world.Form.TAOModeSuccess, 1);
  EXPECT_EQ(world.Form.SuccText, "&Succ=0.0.1");
  EXPECT_EQ(world.Form.FailText, "&Fail=0.0.0");
  const std::vector<std::string>& memo = world.View.Memo;
  ASSERT_GE(memo.size(), 3u);
  EXPECT_EQ(memo[memo.size() - 3], world.Text(IDS_BURN_COMPLETED));
  EXPECT_EQ(memo[memo.size() - 2], world.Text(IDS_BURN_LABEL_HINT) + world.Text(IDS_BURN_DISC_LOG) + "1042");
  EXPECT_EQ(memo.back().rfind(world.Text(IDS_BURN_THANKS) + "\r\n" + world.Text(IDS_BURN_MAKER) + "\r\n", 0),
            0u);
  EXPECT_NE(memo.back().find("\r\n" + world.Text(IDS_BURN_COVER_SHEET)), std::string::npos);
  EXPECT_FALSE(world.MemoHas(world.Text(IDS_BURN_CLEANING_UP)));

  EXPECT_EQ(world.View.Hints[TGaugeId::ProgressBar], "96");  // the bar's share when the thread ended
  EXPECT_EQ(world.View.Position[TGaugeId::ProgressBar], 100);
  EXPECT_EQ(world.View.Captions[TButtonId::ButtonRight], world.Text(IDS_BUTTON_OK));
  EXPECT_TRUE(world.View.EnabledState[TButtonId::ButtonRight]);
  EXPECT_EQ(world.View.Focused, TButtonId::ButtonRight);
  EXPECT_FALSE(world.Form.CancelAutoPlay);
  TEvents& e = world.Events;
  EXPECT_LT(e.Position("Beep"), e.Position("Lib:Unload"));
  EXPECT_LT(e.Position("Lib:Unload"), e.Position("NormalClass"));
  EXPECT_TRUE(e.Has("Cleanup:0,0"));
  EXPECT_FALSE(e.Has("Lib:Free"));
}

TEST(BurnDataModule, OkAfterSuccessExitsWith0AndSavesTheOutcome) {
  TBurnWorld world;
  world.Record();
  world.Form.ButtonRightClick();
  EXPECT_EQ(world.Host.ExitCode, 0);
  EXPECT_EQ(world.Host.Registry["BBResult"], "0");
  EXPECT_EQ(world.Host.Registry["TAOModeSuccess"], "1");
  EXPECT_EQ(world.Host.Registry["PriorBurnWasGood"], "1");
  EXPECT_TRUE(world.ResultsPageOpenedWith("&Succ=0.0.1&Fail=0.0.0"));
}

struct TFailureCase {
  const char* Name;
  bool FolderThere;
  int32_t WriteResult;
  int32_t EarlierWrite;  // LastWriteResult left by an earlier burn
  int32_t ResultCode;
  const char* FailText;
};

TEST(BurnDataModule, FailurePathsKeepCountersAndAppendTheWriteResult) {
  const TFailureCase cases[] = {
      {"write result 19", true, 19, 0, 7, "&Fail=0.0.0:19"},
      {"write result 128", true, 128, 0, 7, "&Fail=0.0.0:128"},
      {"missing folder, no earlier write", false, 1, 0, 2, "&Fail=0.0.0:0"},
      {"missing folder after a failed write", false, 1, 19, 2, "&Fail=0.0.0:19"},
      {"missing folder after a good write", false, 1, 1, 2, "&Fail=0.0.0"},
  };
  for (const TFailureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBurnWorld world;
    if (!c.FolderThere) world.Platform.Folders.clear();
    world.Library.WriteResult = c.WriteResult;
    world.Burn.State.LastWriteResult = c.EarlierWrite;
    world.Record();
    EXPECT_EQ(world.Form.ResultCode, c.ResultCode);
    EXPECT_EQ(world.Form.FailText, c.FailText);
    EXPECT_EQ(world.Form.SuccText, "&Succ=0.0.0");
    EXPECT_EQ(world.Form.TAOModeSuccess + world.Form.TAOModeFail, 0);
    EXPECT_EQ(world.Form.Step(), stBusy);  // the press takes the cancel path, which keeps the code
    EXPECT_FALSE(world.MemoHas(world.Text(IDS_BURN_COMPLETED)));
    EXPECT_TRUE(world.Events.Has("Lib:Unload"));
    EXPECT_EQ(world.View.Captions[TButtonId::ButtonRight], world.Text(IDS_BUTTON_OK));
    EXPECT_TRUE(world.Events.Has("Cleanup:0,0"));
    world.Form.ButtonRightClick();
    EXPECT_EQ(world.Host.ExitCode, c.ResultCode);
    EXPECT_FALSE(world.MemoHas(world.Text(IDS_SESSION_CANCELING)));
  }
}

TEST(BurnDataModule, OnlyExactly1EmptiesTheProjectFolder) {
  const struct {
    const char* Value;
    bool Clears;
  } cases[] = {{"1", true}, {"01", false}, {" 1", false}, {"1 ", false}, {"0", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.Value + "\"");
    TBurnWorld world;
    world.Form.History.LastProjectDeleteIt = c.Value;
    world.Record();
    TEvents& e = world.Events;
    const int clear = e.Position(std::string("ClearFolder:") + TBurnWorld::kProject);
    EXPECT_EQ(clear >= 0, c.Clears);
    EXPECT_EQ(world.MemoHas(world.Text(IDS_BURN_CLEANING_UP)), c.Clears);
    if (c.Clears) EXPECT_LT(clear, e.Position("Memo:" + world.Text(IDS_BURN_COMPLETED)));
  }
}

TEST(BurnDataModule, FailedWriteNeverEmptiesTheProjectFolder) {
  TBurnWorld world;
  world.Form.History.LastProjectDeleteIt = "1";
  world.Library.WriteResult = 19;
  world.Record();
  EXPECT_TRUE(world.Events.Matching("ClearFolder:").empty());
}

TEST(BurnDataModule, TrackTagsFromTheCoverSheet) {
  const struct {
    const char* Name;
    const char* Sheet;  // nullptr: no file
    std::vector<std::string> Tags;
    const char* Title;
  } cases[] = {
      {"no cover sheet", nullptr, {}, ""},
      {"no section", "<html>1=not a tag</html>", {}, ""},
      {"keys in any case",
       "[Tracks And Tags]\nArtist=Me\n1= First track \n",
       {"Artist=Me", "1=First track"},
       "First track"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TBurnWorld world;
    const std::string sheet = world.Host.AppPath("CoverSheet.htm");
    world.Host.RemoveFile(sheet);
    if (c.Sheet) world.Host.PutTextFile(sheet, c.Sheet);
    EXPECT_EQ(world.Burn.ReadTrackTags(), c.Tags);
    world.Record();
    EXPECT_STREQ(world.Library.Written.TrackTitles[0], c.Title);
  }
}

TEST(BurnDataModule, NoThreadNoBurn) {
  TBurnWorld world;
  world.Platform.ThreadStarts = false;
  EXPECT_FALSE(world.Start());
  EXPECT_FALSE(world.Burn.BurnRunning());
}

// The cancel path while the write runs: the window thread aborts, waits for the write to return,
// counts the failure and ends the session; the thread's end then changes nothing. The fake's burn
// thread is the test's own, so the write cannot return during the wait: the library, still inside
// its write call, is neither asked to eject nor freed (the process's end takes it).
TEST(BurnDataModule, CancelDuringTheWriteAbortsAndCountsButKeepsTheLibraryUnderTheWrite) {
  for (bool faults : {false, true}) {
    SCOPED_TRACE(faults ? "AbortWrite faults" : "AbortWrite returns");
    TBurnWorld world;
    world.Library.Signals = 5;
    world.Library.AbortFaults = faults;
    bool runningAfterAbort = true;
    world.Library.DuringWrite = [&] {
      world.Form.ButtonRightClick();
      runningAfterAbort = world.Burn.BurnRunning();
    };
    world.Record();

    TEvents& e = world.Events;
    const int abort = e.Position("Lib:AbortWrite");
    ASSERT_GE(abort, 0);
    EXPECT_LT(abort, e.Position("WaitBurnThread:15000"));
    EXPECT_LT(e.Position("WaitBurnThread:15000"), e.Position("NormalClass"));
    EXPECT_FALSE(e.Has("Lib:Unload"));
    EXPECT_FALSE(e.Has("Lib:Free"));
    EXPECT_TRUE(world.Binding.Loaded());
    // A fault inside AbortWrite leaves the reference set; the abort goes on all the same.
    EXPECT_EQ(runningAfterAbort, faults);
    EXPECT_TRUE(world.Burn.State.BurnDone);
    EXPECT_EQ(world.Form.TAOModeFail, 1);
    EXPECT_EQ(world.Form.TAOModeSuccess, 0);
    // The write had not returned when the texts were rebuilt.
    EXPECT_TRUE(world.ResultsPageOpenedWith("&Succ=0.0.0&Fail=0.0.1:0"));
    EXPECT_EQ(world.Host.Registry["TAOModeFail"], "1");
    EXPECT_TRUE(e.Has("EndProcess:1"));
    EXPECT_TRUE(world.MemoHas(world.Text(IDS_SESSION_CANCELING)));
    // The completion does not run after the end, and the library stays under the write.
    EXPECT_FALSE(e.Has("Cleanup:0,0"));
    EXPECT_EQ(e.Matching("Lib:").back(), "Lib:AbortWrite");
  }
}

// An abort that finds the burn thread gone by the end of its wait (here: before the write began)
// ejects the disc and releases the library, in that order, before the priorities come back.
TEST(BurnDataModule, CancelWhenTheWriteHasReturnedEjectsAndReleases) {
  TBurnWorld world;
  ASSERT_TRUE(world.Start());
  world.Form.ButtonRightClick();
  TEvents& e = world.Events;
  EXPECT_LT(e.Position("Lib:AbortWrite"), e.Position("WaitBurnThread:15000"));
  EXPECT_LT(e.Position("WaitBurnThread:15000"), e.Position("Lib:Unload"));
  EXPECT_LT(e.Position("Lib:Unload"), e.Position("Lib:Free"));
  EXPECT_LT(e.Position("Lib:Free"), e.Position("NormalClass"));
  EXPECT_EQ(e.Matching("Lib:Unload").size(), 1u);
  EXPECT_FALSE(world.Binding.Loaded());
  EXPECT_TRUE(e.Has("EndProcess:1"));
  EXPECT_EQ(world.Host.Registry["TAOModeFail"], "1");
}

}  // namespace
}  // namespace qx::burntest
