// The virtual recorder's drive states and write, with a host that counts signals and pauses
// instead of touching an event or sleeping.
#include <gtest/gtest.h>

#include <functional>

#include "core/iso_image.h"
#include "core/recorder.h"
#include "scratch_dir.h"

namespace qx::rwlib {
namespace {

namespace fs = std::filesystem;

class TFakeHost : public IWriteHost {
public:
  void Signal() override {
    ++Signals;
    if (OnSignal) OnSignal(Signals);
  }
  void Pause(int ms) override {
    EXPECT_GT(ms, 0);
    EXPECT_LE(ms, 20);
    PausedMs += ms;
  }
  int Signals = 0;
  int64_t PausedMs = 0;
  std::function<void(int)> OnSignal;
};

class RecorderTest : public ::testing::Test {
protected:
  TScratchDir Home{"recorder"};

  TVirtualRecorder Make(const std::string& def) {
    return TVirtualRecorder(ParseDevicesDef(def), Home.Path());
  }
  static void StartAt00(TVirtualRecorder& r) { ASSERT_EQ(r.Start(0, 0, 0, 4, 8192), 1); }
  TWriteRequest Request(int32_t interval, bool test = false) {
    TWriteRequest request;
    request.PathCount = 1;
    request.Paths = {Home.Path() / "project"};
    request.VolumeName = "VOL";
    request.Interval = interval;
    request.TestWrite = test;
    return request;
  }
  int64_t MakeProject(std::size_t bytes) {
    MakeFile(Home.Path() / "project" / "data.bin", bytes, 1);
    TIsoImage image;
    EXPECT_EQ(image.Plan(Home.Path() / "project", "VOL", 0), 1);
    return image.Sectors();
  }
  bool DiscWritten() const { return fs::exists(Home.Path() / "disc.iso"); }
};

TEST_F(RecorderTest, AnswersOnlyAtItsDeviceAndOnlyOnce) {
  TVirtualRecorder r = Make("[Recorder]\nAdapter=1\nTarget=2\n");
  TDiscInfo info;
  EXPECT_EQ(r.GetDiscInfo(info), 11);  // engine not started
  EXPECT_EQ(r.Start(0, 0, 0, 4, 8192), 23);
  EXPECT_EQ(r.Start(1, 2, 0, 4, 8192), 1);
  EXPECT_EQ(r.Start(1, 2, 0, 4, 8192), 21);
  EXPECT_EQ(r.GetDiscInfo(info), 1);
  TVirtualRecorder none = Make("[Recorder]\nPresent=0\n");
  EXPECT_EQ(none.Start(0, 0, 0, 4, 8192), 23);
}

TEST_F(RecorderTest, DefaultsDescribeAHealthyDriveWithABlankCd) {
  TVirtualRecorder r = Make("");
  StartAt00(r);
  TDiscInfo info;
  ASSERT_EQ(r.GetDiscInfo(info), 1);
  EXPECT_EQ(info.Blank, 1);
  EXPECT_EQ(info.Ready, 1);
  EXPECT_EQ(info.Erasable, 0);
  EXPECT_EQ(info.MediaType, mtCdR);
  int32_t modes[3];
  ASSERT_EQ(r.GetSupportedWriteModes(modes), 1);
  EXPECT_EQ(modes[0], 1);
  std::string vendor, product;
  EXPECT_EQ(r.GetVendorProductStrings(vendor, product), 1);
  EXPECT_FALSE(vendor.empty());
  EXPECT_EQ(r.IsDeviceReadyEx(), 1);
  EXPECT_EQ(r.BurnProofControl(-1), 1);
  EXPECT_EQ(r.ImagePath(), Home.Path() / "disc.iso");
}

TEST_F(RecorderTest, SpeedsAreReadAndTheWriteSpeedIsKeptWithinTheHighest) {
  TVirtualRecorder r = Make("[Recorder]\nSpeeds=7056,1764,5292,8448\n");
  StartAt00(r);
  uint16_t s[4];
  ASSERT_EQ(r.GetCdSpeeds(s), 1);
  EXPECT_EQ(s[1], 1764);
  EXPECT_EQ(r.SetCdSpeeds(s[0], 2816), 1);
  ASSERT_EQ(r.GetCdSpeeds(s), 1);
  EXPECT_EQ(s[1], 2816);
  EXPECT_EQ(r.SetCdSpeeds(s[0], 60000), 1);
  r.GetCdSpeeds(s);
  EXPECT_EQ(s[1], 8448);
  EXPECT_EQ(r.SetCdSpeeds(s[0], 0), 1);  // 0 = the highest
  r.GetCdSpeeds(s);
  EXPECT_EQ(s[1], 8448);
  TVirtualRecorder failing = Make("[Recorder]\nSpeedResult=20\n");
  StartAt00(failing);
  EXPECT_EQ(failing.GetCdSpeeds(s), 20);
  EXPECT_EQ(failing.SetCdSpeeds(0, 176), 20);
}

TEST_F(RecorderTest, ReadyAnswersComeInSequenceAndTheLastRepeats) {
  TVirtualRecorder r = Make("[Recorder]\nReadyAnswers=76,16,1\n");
  StartAt00(r);
  EXPECT_EQ(r.IsDeviceReadyEx(), 76);
  EXPECT_EQ(r.IsDeviceReadyEx(), 16);
  EXPECT_EQ(r.IsDeviceReadyEx(), 1);
  EXPECT_EQ(r.IsDeviceReadyEx(), 1);
}

TEST_F(RecorderTest, WriteSignalsEveryFullIntervalAndLeavesTheImage) {
  const int64_t sectors = MakeProject(300000);
  TVirtualRecorder r = Make("[Write]\nSectorsPerSecond=1000\n");
  StartAt00(r);
  TFakeHost host;
  EXPECT_EQ(r.WriteTrackList(Request(10), host), 1);
  EXPECT_EQ(host.Signals, sectors / 10);
  EXPECT_EQ(host.PausedMs, sectors * 1000 / 1000);  // the pace, kept over the whole write
  ASSERT_TRUE(DiscWritten());
  EXPECT_EQ(static_cast<int64_t>(fs::file_size(Home.Path() / "disc.iso")), sectors * 2048);
  TDiscInfo info;
  r.GetDiscInfo(info);
  EXPECT_EQ(info.Blank, 0);
  EXPECT_EQ(info.Sessions, 1);
  EXPECT_EQ(r.WriteTrackList(Request(10), host), 12);  // no blank disc any more
}

TEST_F(RecorderTest, TestWriteRunsTheSameProgressButWritesNothing) {
  const int64_t sectors = MakeProject(100000);
  TVirtualRecorder r = Make("[Write]\nSectorsPerSecond=0\n");
  StartAt00(r);
  TFakeHost host;
  EXPECT_EQ(r.WriteTrackList(Request(7, true), host), 1);
  EXPECT_EQ(host.Signals, sectors / 7);
  EXPECT_EQ(host.PausedMs, 0);
  EXPECT_FALSE(DiscWritten());
}

TEST_F(RecorderTest, AbortStopsTheWriteWith19AndSpoilsTheDisc) {
  MakeProject(300000);
  TVirtualRecorder r = Make("[Write]\nSectorsPerSecond=0\n");
  StartAt00(r);
  EXPECT_FALSE(r.RequestAbort());  // nothing to stop
  TFakeHost host;
  host.OnSignal = [&](int n) {
    if (n == 3) EXPECT_TRUE(r.RequestAbort());
  };
  EXPECT_EQ(r.WriteTrackList(Request(10), host), 19);
  EXPECT_EQ(host.Signals, 3);
  EXPECT_FALSE(r.Writing());
  ASSERT_TRUE(DiscWritten());
  EXPECT_EQ(fs::file_size(Home.Path() / "disc.iso"), 30u * 2048);
}

TEST_F(RecorderTest, ConfiguredFailureStopsAtItsShareOfTheSectors) {
  const int64_t sectors = MakeProject(400000);
  TVirtualRecorder r = Make("[Write]\nResult=14\nFailAtPercent=40\nSectorsPerSecond=0\n");
  StartAt00(r);
  TFakeHost host;
  EXPECT_EQ(r.WriteTrackList(Request(5), host), 14);
  const int64_t written = sectors * 40 / 100;
  EXPECT_EQ(host.Signals, written / 5);
  EXPECT_EQ(static_cast<int64_t>(fs::file_size(Home.Path() / "disc.iso")), written * 2048);

  fs::remove(Home.Path() / "disc.iso");
  TVirtualRecorder atOnce = Make("[Write]\nResult=16\nFailAtPercent=0\n");
  StartAt00(atOnce);
  EXPECT_EQ(atOnce.WriteTrackList(Request(5), host), 16);
  EXPECT_FALSE(DiscWritten());  // nothing burnt: still blank
}

TEST_F(RecorderTest, RefusesWhatItCannotWrite) {
  const int64_t sectors = MakeProject(50000);
  TFakeHost host;
  TVirtualRecorder small = Make("[Disc]\nCapacity=" + std::to_string(sectors - 1) + "\n");
  StartAt00(small);
  EXPECT_EQ(small.WriteTrackList(Request(10), host), 128);
  TVirtualRecorder fits =
      Make("[Disc]\nCapacity=" + std::to_string(sectors) + "\n[Write]\nSectorsPerSecond=0\n");
  StartAt00(fits);
  TWriteRequest missing = Request(10, true);
  missing.Paths = {Home.Path() / "no such folder"};
  EXPECT_EQ(fits.WriteTrackList(missing, host), 126);
  TWriteRequest bad = Request(0, true);
  EXPECT_EQ(fits.WriteTrackList(bad, host), 7);
  bad = Request(10, true);
  bad.PathCount = 0;
  EXPECT_EQ(fits.WriteTrackList(bad, host), 7);
  EXPECT_EQ(fits.WriteTrackList(Request(10, true), host), 1);
  TVirtualRecorder noTao = Make("[Recorder]\nTrackAtOnce=0\n");
  StartAt00(noTao);
  EXPECT_EQ(noTao.WriteTrackList(Request(10), host), 13);
  TVirtualRecorder stopped = Make("");
  EXPECT_EQ(stopped.WriteTrackList(Request(10), host), 11);
  EXPECT_EQ(host.Signals, sectors / 10);  // only the one good test write signalled
}

TEST_F(RecorderTest, EraseBlanksAnErasableDiscThatThenTakesItsPollsToBeReady) {
  MakeFile(Home.Path() / "disc.iso", 4096, 1);
  TVirtualRecorder r = Make("[Disc]\nMediaType=2\nErasable=1\nNotReadyPolls=2\n");
  StartAt00(r);
  TDiscInfo info;
  r.GetDiscInfo(info);
  EXPECT_EQ(info.Blank, 0);
  EXPECT_EQ(info.Erasable, 1);
  EXPECT_EQ(r.BlankDisc(1), 1);
  EXPECT_FALSE(DiscWritten());
  for (int poll = 0; poll < 4; ++poll) {
    ASSERT_EQ(r.GetDiscInfo(info), 1);
    EXPECT_EQ(info.Blank, 1);
    EXPECT_EQ(info.Ready, poll < 2 ? 0 : 1) << poll;
  }

  MakeFile(Home.Path() / "disc.iso", 4096, 1);
  TVirtualRecorder never = Make("[Disc]\nErasable=1\nReadyAfterErase=0\n");
  StartAt00(never);
  EXPECT_EQ(never.BlankDisc(1), 1);
  for (int poll = 0; poll < 3; ++poll) {
    never.GetDiscInfo(info);
    EXPECT_EQ(info.Ready, 0);
  }

  MakeFile(Home.Path() / "disc.iso", 4096, 1);
  TVirtualRecorder cdr = Make("");
  StartAt00(cdr);
  EXPECT_EQ(cdr.BlankDisc(1), 20);
  EXPECT_TRUE(DiscWritten());
}

TEST_F(RecorderTest, EjectedOrMissingDiscIsNotThere) {
  TVirtualRecorder r = Make("");
  StartAt00(r);
  TDiscInfo info;
  EXPECT_EQ(r.Unload(), 1);
  EXPECT_EQ(r.GetDiscInfo(info), 12);
  EXPECT_EQ(r.Load(), 1);
  EXPECT_EQ(r.GetDiscInfo(info), 1);
  TVirtualRecorder empty = Make("[Disc]\nPresent=0\n");
  StartAt00(empty);
  empty.Load();
  EXPECT_EQ(empty.GetDiscInfo(info), 12);
}

}  // namespace
}  // namespace qx::rwlib
