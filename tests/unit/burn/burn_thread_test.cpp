// The burn thread on fakes: the track list and the write call, the speed step's library calls and
// messages, the progress worker's steps, and the thread's failure paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "burn/burn_world.h"

namespace qx::burntest {
namespace {

std::vector<std::string> LibraryCalls(TEvents& events) { return events.Matching("Lib:"); }

TEST(BurnThread, WritesTheProjectAsOneTrackWithTitles) {
  TBurnWorld world;
  world.Record();
  const TFakeLibrary& lib = world.Library;
  ASSERT_EQ(lib.Writes, 1);
  EXPECT_EQ(lib.Written.PathCount, 1);
  EXPECT_STREQ(lib.Written.Paths[0], TBurnWorld::kProject);
  EXPECT_EQ(lib.Written.TrackFlags[0], 0);
  EXPECT_EQ(lib.Written.TrackCount, 1);
  EXPECT_EQ(lib.Written.TrackSizes[0], 2048u * 180);
  EXPECT_STREQ(lib.Written.TrackTitles[0], "Holiday photos");
  EXPECT_STREQ(lib.Written.DiscTitle, "Summer Holiday 2026       12/08/2026");
  EXPECT_EQ(lib.VolumeName, "SUMMER2026");
  EXPECT_EQ(lib.Interval, 111);
  EXPECT_EQ(lib.TestFlag, 0);
  EXPECT_EQ(world.Burn.State.LastWriteResult, 1);
  EXPECT_TRUE(world.Burn.State.BurnDone);
  EXPECT_EQ(world.Burn.State.TrackList, nullptr);  // freed when Execute ends
}

TEST(BurnThread, TestModeWritesWithFlagMinusOne) {
  TBurnWorld world;
  world.Form.TestMode = true;
  world.Record();
  EXPECT_EQ(world.Library.TestFlag, -1);
}

TEST(BurnThread, LongTitlesAreCutAt81AndTheFolderSizeToItsLow32Bits) {
  TBurnWorld world;
  world.Form.VolumeTitle = std::string(100, 'V');
  world.Form.History.LastFolderSize = (int64_t{1} << 32) + 4096;
  world.Host.PutTextFile(world.Host.AppPath("CoverSheet.htm"),
                         "[TRACKS AND TAGS]\n1=" + std::string(90, 't') + "\n");
  world.Record();
  EXPECT_EQ(std::string(world.Library.Written.TrackTitles[0]), std::string(81, 't'));
  EXPECT_EQ(std::string(world.Library.Written.DiscTitle), std::string(81, 'V'));
  EXPECT_EQ(world.Library.Written.TrackSizes[0], 4096u);
}

TEST(BurnThread, LibraryCallsInTheirOrderAroundTheWrite) {
  TBurnWorld world;
  world.Record();
  const std::vector<std::string> expected = {"Lib:BurnProofControl:-1",   "Lib:GetCdSpeeds",
                                             "Lib:SetCdSpeeds:7056:8448", "Lib:GetCdSpeeds",
                                             "Lib:WriteCdDataTaoPerList", "Lib:Unload"};
  EXPECT_EQ(LibraryCalls(world.Events), expected);
  // Priorities up before the worker starts; the worker has its hand-over pause before the write.
  TEvents& e = world.Events;
  EXPECT_LT(e.Position("HighClass"), e.Position("StartProgressWorker"));
  EXPECT_LT(e.Position("StartProgressWorker"), e.Position("Sleep:750"));
  EXPECT_LT(e.Position("Sleep:750"), e.Position("Lib:WriteCdDataTaoPerList"));
}

TEST(BurnThread, ProgressStepsStopAt96AndEndAfterTheLastWake) {
  TBurnWorld world;
  world.Record();
  // 181 sectors, 111 per signal: 61 %, then capped; the last value comes from the wake after the
  // write has ended.
  EXPECT_EQ(world.Platform.Percents, (std::vector<int>{61, 96, 96, 96}));
  for (const std::string& p : world.Events.Matching("Progress:")) EXPECT_EQ(p.substr(p.find('/')), "/100");
  EXPECT_EQ(world.View.Position[TGaugeId::ProgressBar], 100);  // the completion fills the bar
}

TEST(BurnThread, OneByteFolderReaches96AtTheFirstSignal) {
  TBurnWorld world;
  world.Form.History.LastFolderSize = 1;
  world.Library.Signals = 1;
  world.Record();
  EXPECT_EQ(world.Library.Interval, 110);
  EXPECT_EQ(world.Platform.Percents.front(), 96);
}

// A project of exactly 4 GiB (or any multiple) hands the track list a size of 0 in its low 32 bits:
// the write still needs an interval to signal at, the rule's smallest, never 0 (which a library
// refuses as an invalid argument, so such a project could never be recorded).
TEST(BurnThread, TotalOfZeroSendsOneEmptyLineAndNoProgressButAnInterval) {
  for (int64_t size : {int64_t{0}, int64_t{1} << 32, int64_t{3} << 32}) {
    SCOPED_TRACE(size);
    TBurnWorld world;
    world.Form.History.LastFolderSize = size;
    world.Library.Signals = 0;
    world.Record();
    EXPECT_TRUE(world.Platform.Percents.empty());
    int empty = 0;
    for (const std::string& text : world.Platform.Texts) empty += text.empty();
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(world.Library.Writes, 1);
    EXPECT_EQ(world.Library.Interval, 110);
  }
}

TEST(BurnThread, MissingFolderEndsWithResult2BeforeAnyLibraryCall) {
  TBurnWorld world;
  world.Platform.Folders.clear();
  world.Record();
  EXPECT_EQ(world.Platform.Texts,
            (std::vector<std::string>{world.Text(IDS_BURN_FOLDER_MISSING), TBurnWorld::kProject}));
  EXPECT_EQ(world.Form.ResultCode, 2);
  EXPECT_EQ(LibraryCalls(world.Events), std::vector<std::string>{"Lib:Unload"});  // the completion's eject
  EXPECT_FALSE(world.Events.Has("StartProgressWorker"));
  EXPECT_FALSE(world.Events.Has("HighClass"));
}

// The track list holds 259 characters of a path: a longer one that the system accepts is not
// cut (the cut could name another folder, which would be recorded as this one); it ends the
// recording as a missing folder does. A path of exactly 259 characters is recorded.
TEST(BurnThread, AFolderPathTheTrackListCannotHoldEndsWithResult2) {
  for (const size_t length : {size_t{259}, size_t{260}, size_t{300}}) {
    SCOPED_TRACE(length);
    TBurnWorld world;
    const std::string folder = "C:\\" + std::string(length - 3, 'p');
    world.Platform.Folders.insert(folder);
    world.Form.History.LastFolderPath = folder;
    world.Record();
    if (length <= 259) {
      EXPECT_EQ(world.Library.Writes, 1);
      EXPECT_NE(world.Form.ResultCode, 2);
      continue;
    }
    EXPECT_EQ(world.Platform.Texts, (std::vector<std::string>{world.Text(IDS_BURN_FOLDER_MISSING), folder}));
    EXPECT_EQ(world.Form.ResultCode, 2);
    EXPECT_EQ(LibraryCalls(world.Events), std::vector<std::string>{"Lib:Unload"});
    EXPECT_FALSE(world.Events.Has("StartProgressWorker"));
  }
}

TEST(BurnThread, WriteKindOtherThanTrackAtOnceWritesNothing) {
  TBurnWorld world;
  world.Form.WriteMethod = wmSessionAtOnce;
  ASSERT_TRUE(world.Start());
  world.Platform.RunBurnThread();
  EXPECT_EQ(world.Library.Writes, 0);
  EXPECT_FALSE(world.Events.Has("StartProgressWorker"));
  EXPECT_TRUE(world.Platform.Percents.empty());
  EXPECT_TRUE(world.Burn.State.BurnDone);
  // Nothing went wrong, so the completion counts it for its method.
  EXPECT_EQ(world.Form.SAOModeSuccess, 1);
  EXPECT_EQ(world.Form.TAOModeSuccess, 0);
}

TEST(BurnThread, FailedWriteReportsTheLibrarysTextAndResult7) {
  TBurnWorld world;
  world.Library.WriteResult = 19;
  world.Record();
  const std::string line = world.Text(IDS_SESSION_PROBLEM) + " " + world.Text(IDS_RWLIB_RESULT_19);
  EXPECT_EQ(world.Platform.Texts.back(), line);
  EXPECT_EQ(world.Form.ResultCode, 7);
  EXPECT_EQ(world.Burn.State.LastWriteResult, 19);
}

struct TSpeedCase {
  const char* Name;
  int32_t BurnProof, SpeedResult, SetSpeedResult;
  int32_t CpuSpeed;
  const char* SetCall;
  int64_t SpeedX;
  std::vector<unsigned> Messages;  // the speed step's own failure lines, in order
};

TEST(BurnThread, SpeedStepCallsAndSpeedFactor) {
  const TSpeedCase cases[] = {
      {"protected: the highest speed", 1, 1, 1, 1000, "Lib:SetCdSpeeds:7056:8448", 48, {}},
      {"unprotected: 1411 on a fast machine", 20, 1, 1, 1000, "Lib:SetCdSpeeds:7056:1411", 8, {}},
      {"slow machine: 706", 1, 1, 1, 200, "Lib:SetCdSpeeds:7056:706", 4, {}},
      {"speed not set: the recorder's lower current speed",
       1,
       1,
       20,
       1000,
       "Lib:SetCdSpeeds:7056:8448",
       10,
       {IDS_BURN_NO_SPEED_SET}},
      {"speed not set, chosen below current",
       20,
       1,
       20,
       200,
       "Lib:SetCdSpeeds:7056:706",
       4,
       {IDS_BURN_NO_SPEED_SET}},
      {"no speed list: zeros handed back",
       1,
       20,
       20,
       1000,
       "Lib:SetCdSpeeds:0:0",
       0,
       {IDS_BURN_NO_SPEED_LIST, IDS_BURN_NO_SPEED_SET}},
  };
  for (const TSpeedCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBurnWorld world;
    world.Library.BurnProof = c.BurnProof;
    world.Library.SpeedResult = c.SpeedResult;
    world.Library.SetSpeedResult = c.SetSpeedResult;
    world.Form.CpuSpeed = c.CpuSpeed;
    world.Record();
    EXPECT_TRUE(world.Events.Has(c.SetCall));
    EXPECT_EQ(world.Form.SpeedX, c.SpeedX);
    std::vector<std::string> expected;
    for (unsigned id : c.Messages) expected.push_back(world.Text(id) + " " + world.Text(IDS_RWLIB_RESULT_20));
    std::vector<std::string> seen;
    for (const std::string& text : world.Platform.Texts)
      if (text.find("*** Unable to") != std::string::npos) seen.push_back(text);
    EXPECT_EQ(seen, expected);
  }
}

TEST(BurnThread, TimeEstimateLinesReachTheWindowAsStatusLines) {
  TBurnWorld world;
  world.Form.History.LastFolderSize = int64_t{200} * 1048576;
  world.Form.History.Testing = true;
  world.Library.Speeds[3] = 1411;  // 8X
  world.Record();
  const std::vector<std::string>& texts = world.Platform.Texts;
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], world.Text(IDS_SESSION_DONT_DISTURB));
  EXPECT_EQ(texts[1], world.Text(IDS_SESSION_SPEED_IS) + "8X: " + world.Text(IDS_SESSION_READY_IN) + " 4 " +
                          world.Text(IDS_SESSION_MINUTES));
  EXPECT_EQ(world.Form.SpeedText, "8");
  EXPECT_EQ(world.Form.SizeMB, 200u);
}

TEST(BurnThread, UnprotectedWriteTurnsTheHelpButtonOffOnTheWindowThread) {
  for (int32_t proof : {1, 20}) {
    SCOPED_TRACE(proof);
    TBurnWorld world;
    world.Library.BurnProof = proof;
    world.Library.Signals = 0;
    world.Form.History.LastFolderSize = 0;  // the worker's one empty line turns it on again
    world.Record();
    TEvents& e = world.Events;
    const int off = e.Position("Enabled:Left:0");
    if (proof == 1) {
      EXPECT_EQ(off, -1);
      continue;
    }
    ASSERT_GE(off, 0);
    EXPECT_EQ(e.Events[off - 1], "Synchronize");
    // After the estimate's lines; the next status line enables it again.
    EXPECT_LT(e.Position("Memo:" + world.Text(IDS_SESSION_DONT_DISTURB)), off);
    bool onAgain = false;
    for (size_t i = off; i < e.Events.size(); ++i) onAgain |= e.Events[i] == "Enabled:Left:1";
    EXPECT_TRUE(onAgain);
  }
}

TEST(BurnThread, BadPriorBurnSetsTheHoldForTheHistory) {
  TBurnWorld world;
  world.Form.History.PriorBurnWasGood = false;
  world.Form.History.PriorX = 3;
  world.Record();
  EXPECT_TRUE(world.Form.History.PriorSaidHoldThrottle);
  EXPECT_TRUE(world.Events.Has("Lib:SetCdSpeeds:7056:8448"));
}

}  // namespace
}  // namespace qx::burntest
