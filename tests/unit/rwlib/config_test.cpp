#include <gtest/gtest.h>

#include "core/config.h"

namespace qx::rwlib {
namespace {

TEST(DevicesDefTest, EmptyFileGivesAHealthyRecorder) {
  for (const char* text : {"", "\n\n; nothing\n"}) {
    std::vector<std::string> warnings;
    const TRecorderConfig c = ParseDevicesDef(text, &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_TRUE(c.Present);
    EXPECT_EQ(c.Adapter, 0);
    EXPECT_EQ(c.Target, 0);
    EXPECT_TRUE(c.TrackAtOnce);
    EXPECT_TRUE(c.DiscPresent);
    EXPECT_EQ(c.MediaType, mtCdR);
    EXPECT_EQ(c.Image, "disc.iso");
    EXPECT_EQ(c.WriteResult, 1);
    EXPECT_TRUE(c.Forced.empty());
    EXPECT_TRUE(c.LogPath.empty());
    EXPECT_EQ(c.CapacitySectors(), 359849);
  }
}

TEST(DevicesDefTest, ReadsEveryKeyCaseInsensitively) {
  const char* text =
      "; a comment\r\n"
      "[RECORDER]\r\n"
      "present = yes\r\nADAPTER=3\r\ntarget=7\r\nVendor = ACME Corp \r\nProduct=Burner 2000\r\n"
      "TrackAtOnce=0\r\nWriteModeFlag2=1\r\nWriteModeFlag3=true\r\nBurnProof=20\r\n"
      "Speeds=1,2, 3 ,4\r\nSpeedResult=14\r\nReadyAnswers=76,76,1\r\n"
      "[disc]\r\nPresent=0\r\nMediaType=5\r\nErasable=1\r\nReadyAfterErase=0\r\nNotReadyPolls=4\r\n"
      "Capacity=1000\r\nImage=C:\\discs\\one.iso\r\n"
      "[Write]\r\nResult=19\r\nFailAtPercent=30\r\nSectorsPerSecond=0\r\n"
      "[Force]\r\nGetDiscInfo=12\r\nstart=FAULT\r\nAbortWrite=HandledFault\r\nUnload=exception\r\n"
      "[Log]\r\nPath=calls.log\r\n";
  std::vector<std::string> warnings;
  const TRecorderConfig c = ParseDevicesDef(text, &warnings);
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  EXPECT_TRUE(c.Present);
  EXPECT_EQ(c.Adapter, 3);
  EXPECT_EQ(c.Target, 7);
  EXPECT_EQ(c.Vendor, "ACME Corp");
  EXPECT_EQ(c.Product, "Burner 2000");
  EXPECT_FALSE(c.TrackAtOnce);
  EXPECT_TRUE(c.WriteModeFlag2);
  EXPECT_TRUE(c.WriteModeFlag3);
  EXPECT_EQ(c.BurnProof, 20);
  EXPECT_EQ(c.Speeds, (std::vector<uint16_t>{1, 2, 3, 4}));
  EXPECT_EQ(c.SpeedResult, 14);
  EXPECT_EQ(c.ReadyAnswers, (std::vector<int32_t>{76, 76, 1}));
  EXPECT_FALSE(c.DiscPresent);
  EXPECT_EQ(c.MediaType, 5);
  EXPECT_TRUE(c.Erasable);
  EXPECT_FALSE(c.ReadyAfterErase);
  EXPECT_EQ(c.NotReadyPolls, 4);
  EXPECT_EQ(c.CapacitySectors(), 1000);
  EXPECT_EQ(c.Image, "C:\\discs\\one.iso");
  EXPECT_EQ(c.WriteResult, 19);
  EXPECT_EQ(c.FailAtPercent, 30);
  EXPECT_EQ(c.SectorsPerSecond, 0);
  ASSERT_NE(c.ForcedFor("GetDiscInfo"), nullptr);
  EXPECT_EQ(c.ForcedFor("GetDiscInfo")->Result, 12);
  ASSERT_NE(c.ForcedFor("Start"), nullptr);
  EXPECT_EQ(c.ForcedFor("GetDiscInfo")->Action, faAnswer);
  EXPECT_EQ(c.ForcedFor("Start")->Action, faFault);
  ASSERT_NE(c.ForcedFor("AbortWrite"), nullptr);
  EXPECT_EQ(c.ForcedFor("AbortWrite")->Action, faHandledFault);
  ASSERT_NE(c.ForcedFor("Unload"), nullptr);
  EXPECT_EQ(c.ForcedFor("Unload")->Action, faException);
  EXPECT_EQ(c.ForcedFor("Load"), nullptr);
  EXPECT_EQ(c.LogPath, "calls.log");
}

// A device may answer bytes that no line of the file holds as they are: the recorder's texts take
// escapes for them, and keep every other backslash.
TEST(DevicesDefTest, RecorderTextsTakeEscapesForAnyByte) {
  const TRecorderConfig c =
      ParseDevicesDef("[Recorder]\nVendor=A\\tB\\r\\nC\\\\D \"q\"\nProduct=\\xE9t\\xc9 C:\\dir \\q \\x4\n");
  EXPECT_EQ(c.Vendor, "A\tB\r\nC\\D \"q\"");
  EXPECT_EQ(c.Product, "\xE9t\xC9 C:\\dir \\q \\x4");
}

TEST(DevicesDefTest, BadLinesAreReportedAndKeepTheDefaults) {
  const char* text =
      "[Recorder]\nAdapter=x\nSpeeds=1,2,3\nColour=blue\nno equals sign\nReadyAnswers=\n"
      "[Write]\nFailAtPercent=101\n[Force]\nLoad=sometimes\n";
  std::vector<std::string> warnings;
  const TRecorderConfig c = ParseDevicesDef(text, &warnings);
  EXPECT_EQ(warnings.size(), 7u);
  EXPECT_EQ(c.Adapter, 0);
  EXPECT_EQ(c.Speeds.size(), 4u);
  EXPECT_EQ(c.ReadyAnswers, std::vector<int32_t>{1});
  EXPECT_EQ(c.FailAtPercent, 50);
  EXPECT_EQ(c.ForcedFor("Load"), nullptr);
}

TEST(DevicesDefTest, MediaCapacitiesByType) {
  EXPECT_EQ(MediaCapacity(mtCdR650), 333000);
  EXPECT_EQ(MediaCapacity(mtCdRw), 359849);
  EXPECT_EQ(MediaCapacity(mtDvdR), 2298496);
  EXPECT_EQ(MediaCapacity(mtDvdPlusRw), 2295104);
}

}  // namespace
}  // namespace qx::rwlib
