// The environment checks one by one: the ASPI layer's three cases, the processor clock, the
// engine start with the memory factor, the recorder report, the blank disc and version texts.
#include <gtest/gtest.h>

#include "fakes/texts.h"
#include "session_world.h"

namespace qx::test {
namespace {

const std::string kNoAspi = TextById(IDS_CHECK_NO_ASPI);
using fakes::kCaptionCancel;
using fakes::kCaptionOk;
using fakes::LibraryMessage;
using fakes::Text;
const char kLayer[] = "C:\\Applet\\wnaspi32.dll";
const char kCopy[] = "C:\\Applet\\W2kXP03.qx";

struct TAspiCase {
  const char* Name;
  std::function<void(TSessionWorld&)> Arrange;
  bool AllowInstall;
  bool Passes;
  std::vector<std::string> FileEvents;  // deletes, renames and extractions, in order
};

class SessionAspiLayer : public ::testing::TestWithParam<TAspiCase> {};

TEST_P(SessionAspiLayer, Cases) {
  const TAspiCase& c = GetParam();
  TSessionWorld w;
  c.Arrange(w);
  EXPECT_EQ(w.Form->CheckAspiLayer(c.AllowInstall), c.Passes);
  EXPECT_EQ(w.Form->Step(), stAspiLayer);
  std::vector<std::string> events;
  for (const std::string& e : w.Log.Events)
    if (e.rfind("Delete:", 0) == 0 || e.rfind("Rename:", 0) == 0 || e.rfind("ExtractOne:", 0) == 0)
      events.push_back(e);
  EXPECT_EQ(events, c.FileEvents);
  if (c.Passes) {
    EXPECT_TRUE(w.View.Memo.empty());
    EXPECT_EQ(w.Log.Count("Beep"), 0);
  } else {
    EXPECT_EQ(w.View.Memo, std::vector<std::string>{kNoAspi});
    EXPECT_EQ(w.Log.Count("Beep"), 1);
    EXPECT_EQ(w.RightCaption(), kCaptionOk);
  }
}

const std::string kRename = std::string("Rename:") + kCopy + ">" + kLayer;

void NonAdmin(TSessionWorld& w) { w.Host.Admin = false; }
void NineX(TSessionWorld& w) { w.Host.NT = false; }

const TAspiCase kAspiCases[] = {
    {"AdminInstallsOwnCopy", [](TSessionWorld&) {}, true, true, {kRename}},
    {"AdminExtractsAMissingCopyFirst",
     [](TSessionWorld& w) { w.Host.Files.erase(kCopy); },
     true,
     true,
     {"ExtractOne:W2kXP03.qx", kRename}},
    {"AdminKeepsAnExistingLayer", [](TSessionWorld& w) { w.Host.AddFile(kLayer); }, true, true, {kRename}},
    {"AdminWhoseExtractionFailsIsTold",
     [](TSessionWorld& w) {
       w.Host.Files.erase(kCopy);
       w.Payload.Extracts = false;
     },
     true,
     false,
     {"ExtractOne:W2kXP03.qx", kRename}},
    {"UserWithAUsableLayerOnThePath",
     [](TSessionWorld& w) {
       NonAdmin(w);
       w.Host.Path = "C:\\Tools;;C:\\WINDOWS\\SYSTEM32\\";
       w.Host.AddFile("C:\\WINDOWS\\SYSTEM32\\wnaspi32.dll");
       w.Host.Versions["wnaspi32.dll"] = {4, 6, 0, 1021};
     },
     true,
     true,
     {std::string("Delete:") + kCopy}},
    {"UserWithALayerWithoutVersionInTheCurrentFolder",
     [](TSessionWorld& w) {
       NonAdmin(w);
       w.Host.AddFile(kLayer);
     },
     true,
     true,
     {std::string("Delete:") + kCopy}},
    {"UserWithAnOldLayerOnThePathGetsOwnCopy",
     [](TSessionWorld& w) {
       NonAdmin(w);
       w.Host.Path = "C:\\WINDOWS\\SYSTEM32";
       w.Host.AddFile("C:\\WINDOWS\\SYSTEM32\\wnaspi32.dll");
       w.Host.Versions["wnaspi32.dll"] = {1, 2, 0, 0};
     },
     true,
     true,
     {kRename}},
    {"UserWithAnOldLayerInTheAppletFolderFails",
     [](TSessionWorld& w) {
       NonAdmin(w);
       w.Host.AddFile(kLayer);
       w.Host.Versions["wnaspi32.dll"] = {1, 2, 0, 0};
     },
     true,
     false,
     {}},
    {"UserWithoutAnyLayerGetsOwnCopy", NonAdmin, true, true, {kRename}},
    {"UserWithoutAnyLayerAndNoInstallFails", NonAdmin, false, false, {}},
    {"NineXRemovesANewerLayerBesideTheApplet",
     [](TSessionWorld& w) {
       NineX(w);
       w.Host.Versions["wnaspi32.dll"] = {5, 0, 0, 0};
     },
     true,
     true,
     {std::string("Delete:") + kLayer, std::string("Delete:") + kCopy}},
    {"NineXKeepsAnOlderLayer",
     [](TSessionWorld& w) {
       NineX(w);
       w.Host.Versions["wnaspi32.dll"] = {4, 6, 0, 0};
     },
     true,
     true,
     {std::string("Delete:") + kCopy}},
    {"NineXTreatsNoVersionAsSix",
     NineX,
     true,
     true,
     {std::string("Delete:") + kLayer, std::string("Delete:") + kCopy}},
    {"NineXNeverDeletesFromTheSystemFolder",
     [](TSessionWorld& w) {
       NineX(w);
       w.Host.SystemDir = "C:\\Applet\\";
     },
     true,
     true,
     {std::string("Delete:") + kCopy}},
    {"NineXNeverDeletesFromTheWindowsFolder",
     [](TSessionWorld& w) {
       NineX(w);
       w.Host.WindowsDir = "C:\\Applet\\";
     },
     true,
     true,
     {std::string("Delete:") + kCopy}},
    {"NineXComparesFoldersWithCase",
     [](TSessionWorld& w) {
       NineX(w);
       w.Host.SystemDir = "C:\\APPLET\\";
     },
     true,
     true,
     {std::string("Delete:") + kLayer, std::string("Delete:") + kCopy}},
};

INSTANTIATE_TEST_SUITE_P(Table, SessionAspiLayer, ::testing::ValuesIn(kAspiCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SessionCpuSpeed, AStoredClockIsTrusted) {
  TSessionWorld w;
  w.Form->CpuSpeed = 700;
  EXPECT_TRUE(w.Form->MeasureCpuSpeed());
  EXPECT_EQ(w.Form->CpuSpeed, 700);
  EXPECT_EQ(w.Log.Count("CycleCounter"), 0);
}

// A stored 1 is the mark of a processor without a cycle counter: it is trusted like any other
// clock, so such a machine is not measured again in every session.
TEST(SessionCpuSpeed, AStoredOneFromTheHistoryIsTrustedWithoutAMeasurement) {
  TSessionWorld w;
  w.Host.Registry["CPUspeed"] = "1";
  w.Form->LoadHistory();
  ASSERT_EQ(w.Form->CpuSpeed, 1);
  EXPECT_TRUE(w.Form->MeasureCpuSpeed());
  EXPECT_EQ(w.Form->CpuSpeed, 1);
  EXPECT_EQ(w.Log.Count("CycleCounter"), 0);
  EXPECT_EQ(w.Log.Count("RaiseToRealTime"), 0);
}

TEST(SessionCpuSpeed, MeasuresAtRealTimeAndRestoresThePriorities) {
  for (const int32_t stored : {0, -3}) {
    TSessionWorld w;
    w.Form->CpuSpeed = stored;
    EXPECT_TRUE(w.Form->MeasureCpuSpeed());
    EXPECT_EQ(w.Form->CpuSpeed, 1000);
    EXPECT_EQ(w.Log.Events, (std::vector<std::string>{"RaiseToRealTime", "Sleep:10", "CycleCounter",
                                                      "Sleep:500", "CycleCounter", "SetPriorities:32,0"}));
  }
}

TEST(SessionCpuSpeed, OnlyTheLowThirtyTwoBitsOfTheDifferenceCount) {
  TSessionWorld w;
  w.Host.Cycles = {0xFFFFFF00u, 0xFFFFFF00u + (1ull << 32) + 1000000000u};
  w.Form->MeasureCpuSpeed();
  EXPECT_EQ(w.Form->CpuSpeed, 2000);
}

TEST(SessionCpuSpeed, AMeasurementThatRaisesStoresOneAndRestores) {
  TSessionWorld w;
  w.Host.CycleCounterRaises = true;
  EXPECT_TRUE(w.Form->MeasureCpuSpeed());
  EXPECT_EQ(w.Form->CpuSpeed, 1);
  EXPECT_EQ(w.Host.Current.ProcessClass, 32u);
  EXPECT_EQ(w.Log.Events.back(), "SetPriorities:32,0");
  // The next session trusts the 1 and does not measure again.
  w.Form->ResultCode = 2;
  w.Form->SaveHistory();
  EXPECT_EQ(w.Host.Registry["CPUspeed"], "1");
}

TEST(SessionEngine, StartsWithTheMemoryFactorAndTheBuffer) {
  struct TCase {
    uint64_t AvailableMiB, TotalMiB;
    int32_t Factor;
  };
  for (const TCase& c : {TCase{64, 256, 4}, TCase{5, 21, 2}}) {
    TSessionWorld w;
    w.Host.Memory = {c.AvailableMiB << 20, c.TotalMiB << 20};
    EXPECT_TRUE(w.Form->StartEngine());
    EXPECT_EQ(w.Form->MemoryFactor, c.Factor);
    EXPECT_EQ(w.Library.StartFactors, std::vector<int32_t>{c.Factor});
    EXPECT_EQ(w.Library.StartValues, std::vector<int32_t>{8192});
    EXPECT_TRUE(w.Form->RecorderOpen);
    EXPECT_EQ(w.Form->RecorderVendor, "ACME");
    EXPECT_EQ(w.Form->RecorderProduct, "Burner 52x");
  }
}

TEST(SessionEngine, TooLittleMemoryStopsBeforeTheEngine) {
  TSessionWorld w;
  w.Host.Memory = {4u << 20, 20u << 20};
  w.Form->SetRightButton(rbCancel);
  EXPECT_FALSE(w.Form->StartEngine());
  EXPECT_EQ(w.Log.Count("Lib:Start"), 0);
  EXPECT_EQ(w.Log.Count("Beep"), 1);
  EXPECT_EQ(w.RightCaption(), kCaptionCancel);
  EXPECT_EQ(w.Form->ResultCode, -1);
}

TEST(SessionEngine, LibraryFailuresAreReportedWithTheirCodes) {
  struct TCase {
    const char* Name;
    std::function<void(TSessionWorld&)> Arrange;
    std::vector<std::string> Memo;
    int Result;
  };
  const TCase cases[] = {
      {"Identification", [](TSessionWorld& w) { w.Library.VendorAnswer = 14; }, {LibraryMessage(14)}, 8},
      {"WriteModes", [](TSessionWorld& w) { w.Library.ModesAnswer = 20; }, {LibraryMessage(20)}, 6},
      {"EngineFirstWins",
       [](TSessionWorld& w) {
         w.Library.Start = [](int32_t, int32_t) { return 23; };
         w.Library.ModesAnswer = 2;
       },
       {LibraryMessage(23), LibraryMessage(2)},
       8},
      {"CodeWithoutText",
       [](TSessionWorld& w) { w.Library.VendorAnswer = -5; },
       {Text(IDS_RWLIB_CODE_PREFIX) + "4294967291"},
       8},
  };
  for (const TCase& c : cases) {
    TSessionWorld w;
    c.Arrange(w);
    EXPECT_TRUE(w.Form->StartEngine()) << c.Name;
    EXPECT_EQ(w.View.Memo, c.Memo) << c.Name;
    EXPECT_EQ(w.Form->ResultCode, c.Result) << c.Name;
  }
}

// Without the library the engine start's answer is the one line the library's messages give: the
// identification and the write modes are not asked, so their "not loaded" answers add nothing.
TEST(SessionEngine, AFailedBindAddsNoLibraryMessageLines) {
  TSessionWorld w;
  w.Loader.Loadable = false;
  EXPECT_TRUE(w.Form->StartEngine());
  EXPECT_EQ(w.View.Memo,
            (std::vector<std::string>{TextById(IDS_CHECK_REQUIRED_FILES), TextById(IDS_RWLIB_RESULT_23)}));
  EXPECT_EQ(w.Form->ResultCode, 8);
}

// The free space of the applet's volume must hold the applet's size: exactly that much is enough.
TEST(SessionDiskSpace, EnoughIsWhatTheAppletNeeds) {
  const struct {
    const char* Name;
    uint64_t Free;
    bool Passes;
  } cases[] = {
      {"one byte short", 999999, false},
      {"exactly the applet's size", 1000000, true},
      {"one byte more", 1000001, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSessionWorld w;
    ASSERT_EQ(w.Host.AppletSize(), 1000000);
    w.Host.Free["C:\\"] = c.Free;
    EXPECT_EQ(w.Form->CheckDiskSpace(w.Host.AppletSize()), c.Passes);
    EXPECT_EQ(w.MemoHas(TextById(IDS_CHECK_DISK_SPACE)), !c.Passes);
  }
}

// Track-at-once follows the first flag alone; the other two are read and never used.
TEST(SessionEngine, TheWriteModeFlagsAreKeptApart) {
  const struct { int32_t Tao, Flag2, Flag3; } cases[] = {{0, 1, 1}, {0, 1, 0}, {1, 0, 0}};
  for (const auto& c : cases) {
    TSessionWorld w;
    w.Library.Tao = c.Tao;
    w.Library.Flag2 = c.Flag2;
    w.Library.Flag3 = c.Flag3;
    w.Form->StartEngine();
    EXPECT_EQ(w.Form->TaoSupported, c.Tao != 0) << c.Tao << c.Flag2 << c.Flag3;
  }
}

TEST(SessionRecorder, ReportsVersionsAndTheRecorderAndMovesTheGauge) {
  TSessionWorld w;
  w.Form->RecorderOpen = true;
  w.Form->RecorderVendor = "PLEXTOR";
  w.Form->RecorderProduct = "PX-W4012A";
  w.Host.Versions["C:\\Applet\\Applet.exe"] = {6, 0, 0, 44};
  EXPECT_TRUE(w.Form->ShowRecorderInfo());
  EXPECT_EQ(w.View.Memo,
            (std::vector<std::string>{Text(IDS_CHECK_VERSION) + "6.00" + Text(IDS_CHECK_WITH_ASPI) + "6",
                                      Text(IDS_CHECK_RECORDER) + " PLEXTOR PX-W4012A"}));
  EXPECT_EQ(w.View.Position[TGaugeId::ProgressBarLeft], 15);
  EXPECT_EQ(w.Form->Step(), stRecorder);
}

TEST(SessionBlankDisc, ANoAnswerClosesTheTrayAndAsksAgain) {
  TSessionWorld w;
  w.Library.Discs = {{2, 0, 0, 0, -1}, {1, 1, 0, 1, 2}};
  ASSERT_TRUE(w.Binding.BindRecordingLibrary());
  const uint64_t start = w.Host.Now;
  EXPECT_TRUE(w.Form->CheckBlankDisc(false));
  EXPECT_EQ(w.Log.Matching("Lib:"),
            (std::vector<std::string>{"Lib:GetDiscInfo", "Lib:Load", "Lib:GetDiscInfo"}));
  EXPECT_EQ(w.Host.Now - start, 150u + 4500u);
  EXPECT_EQ(w.Form->MediaType, 2);
  EXPECT_EQ(w.Form->Step(), stBlankDisc);
}

TEST(SessionBlankDisc, TheRetryFailsQuietly) {
  TSessionWorld w;
  w.Library.Discs = {{1, 0, 1, 1, 1}};
  ASSERT_TRUE(w.Binding.BindRecordingLibrary());
  EXPECT_FALSE(w.Form->CheckBlankDisc(true));
  EXPECT_EQ(w.Log.Matching("Lib:"), std::vector<std::string>{"Lib:GetDiscInfo"});
  EXPECT_TRUE(w.View.Memo.empty());
  EXPECT_EQ(w.Form->EraseDecision, 0);  // no question on the retry
  EXPECT_EQ(w.Form->ResultCode, -1);
}

TEST(SessionSettleDrive, WaitsLongerWithoutMessagesWhenDirectCdIsInstalled) {
  for (const char* marker :
       {"C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\cdrpwd.vxd", "C:\\Program Files\\DirectCD\\Directcd.exe"}) {
    TSessionWorld w;
    w.Host.AddFile(marker);
    w.Form->SettleDrive(false);
    EXPECT_EQ(w.Log.Events, std::vector<std::string>{"Sleep:20000"}) << marker;
  }
  TSessionWorld w;
  w.Form->SettleDrive(false);
  EXPECT_EQ(w.Host.Now, 4500u);
  EXPECT_TRUE(w.Log.Events.empty());
}

TEST(SessionFileVersionText, ThroughTheHost) {
  TSessionWorld w;
  w.Host.Versions["C:\\x\\aspi.dll"] = {4, 6, 0, 1021};
  EXPECT_EQ(w.Form->FileVersionText("C:\\x\\aspi.dll", "Short"), "4.60");
  EXPECT_EQ(w.Form->FileVersionText("C:\\x\\aspi.dll", "Long"), "4.60(1021)");
  EXPECT_EQ(w.Form->FileVersionText("C:\\x\\plain.txt", "Long"), "6");
}

}  // namespace
}  // namespace qx::test
