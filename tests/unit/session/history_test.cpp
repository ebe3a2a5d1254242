// The burn history: defaults, numbers that are not numbers, the summaries, and what the end of a
// session writes back, in which order.
#include <gtest/gtest.h>

#include "session/history.h"
#include "session_world.h"

namespace qx::test {
namespace {

TEST(SessionHistory, AnEmptyOrMissingKeyGivesEveryDefault) {
  for (const bool keyAvailable : {true, false}) {
    TSessionWorld w;
    w.Host.Registry.clear();
    w.Host.KeyAvailable = keyAvailable;
    w.Form->LoadHistory();
    const THistory& h = w.Form->History;
    EXPECT_EQ(h.LastDiscNumber, "1");
    EXPECT_EQ(h.LastFolderPath, "");
    EXPECT_EQ(h.LastFolderSize, 614400);
    EXPECT_EQ(h.LastProjectDeleteIt, "0");
    EXPECT_EQ(h.LastVolName, "");
    EXPECT_FALSE(h.Testing);
    EXPECT_EQ(w.Form->CpuSpeed, 0);
    EXPECT_EQ(h.PriorX, 0);
    EXPECT_TRUE(h.PriorBurnWasGood);
    EXPECT_FALSE(h.PriorSaidHoldThrottle);
    EXPECT_TRUE(h.DeleteApplet);
    EXPECT_EQ(w.Form->TAOModeSuccess + w.Form->SAOModeSuccess + w.Form->DAOModeSuccess, 0);
    EXPECT_EQ(w.Form->TAOModeFail + w.Form->SAOModeFail + w.Form->DAOModeFail, 0);
    EXPECT_EQ(w.Form->SuccText, "&Succ=0.0.0");
    EXPECT_EQ(w.Form->FailText, "&Fail=0.0.0");
  }
}

TEST(SessionHistory, ReadsEveryValueAndSummarisesInTheOrderSessionDiscTrack) {
  TSessionWorld w;
  w.Host.Registry = {{"LastDiscNumber", "417"},
                     {"LastFolderPath", "D:\\Proj"},
                     {"LastFolderSize", "209715200"},
                     {"LastProjectDeleteIt", "1"},
                     {"LastVolName", "HOLIDAY"},
                     {"Testing", "1"},
                     {"CPUspeed", "2400"},
                     {"PriorX", "8"},
                     {"PriorBurnWasGood", "0"},
                     {"PriorSaidHoldThrottle", "1"},
                     {"DeleteApplet", "0"},
                     {"TAOModeSuccess", "3"},
                     {"SAOModeSuccess", "4"},
                     {"DAOModeSuccess", "5"},
                     {"TAOModeFail", "6"},
                     {"SAOModeFail", "1"},
                     {"DAOModeFail", "2"}};
  w.Form->LoadHistory();
  const THistory& h = w.Form->History;
  EXPECT_EQ(h.LastDiscNumber, "417");
  EXPECT_EQ(h.LastFolderPath, "D:\\Proj");
  EXPECT_EQ(h.LastFolderSize, 209715200);
  EXPECT_EQ(h.LastProjectDeleteIt, "1");
  EXPECT_EQ(h.LastVolName, "HOLIDAY");
  EXPECT_TRUE(h.Testing);
  EXPECT_EQ(w.Form->CpuSpeed, 2400);
  EXPECT_EQ(h.PriorX, 8);
  EXPECT_FALSE(h.PriorBurnWasGood);
  EXPECT_TRUE(h.PriorSaidHoldThrottle);
  EXPECT_FALSE(h.DeleteApplet);
  EXPECT_EQ(w.Form->SuccText, "&Succ=4.5.3");
  EXPECT_EQ(w.Form->FailText, "&Fail=1.2.6");
}

TEST(SessionHistory, SummaryExampleAndTheWriteResult) {
  TSessionWorld w;
  w.Form->TAOModeSuccess = 3;
  w.Form->SAOModeFail = 1;
  w.Form->BuildHistoryTexts();
  EXPECT_EQ(w.Form->SuccText, "&Succ=0.0.3");
  EXPECT_EQ(w.Form->FailText, "&Fail=1.0.0");
  w.Form->BuildHistoryTexts(0);
  EXPECT_EQ(w.Form->FailText, "&Fail=1.0.0:0");
  w.Form->BuildHistoryTexts(-13);
  EXPECT_EQ(w.Form->FailText, "&Fail=1.0.0:-13");
}

struct TNumberCase {
  const char* Value;
  const char* Stored;
  int64_t Expected;
};

TEST(SessionHistory, NumbersThatAreNotNumbersKeepTheDefault) {
  const TNumberCase cases[] = {
      {"LastFolderSize", "abc", 614400},
      {"LastFolderSize", "5000000000", 5000000000},
      {"LastFolderSize", "9223372036854775807", 9223372036854775807},
      {"LastFolderSize", "9223372036854775808", 614400},
      {"LastFolderSize", "", 614400},
      {"LastFolderSize", " 12", 614400},
      {"LastFolderSize", "-", 614400},
      {"CPUspeed", "abc", 0},
      {"CPUspeed", "2147483648", 0},
      {"CPUspeed", "-5", -5},
      {"CPUspeed", "+733", 733},
      {"CPUspeed", "$1F", 0},
      {"CPUspeed", "12.5", 0},
      {"TAOModeSuccess", "0x10", 0},
      {"TAOModeSuccess", "-2147483648", -2147483648LL},
  };
  for (const TNumberCase& c : cases) {
    TSessionWorld w;
    w.Host.Registry = {{c.Value, c.Stored}};
    w.Form->LoadHistory();
    const int64_t read = std::string(c.Value) == "LastFolderSize" ? w.Form->History.LastFolderSize
                         : std::string(c.Value) == "CPUspeed"     ? w.Form->CpuSpeed
                                                                  : w.Form->TAOModeSuccess;
    EXPECT_EQ(read, c.Expected) << c.Value << " = \"" << c.Stored << "\"";
  }
}

struct TBooleanCase {
  const char* Stored;
  bool Good;  // PriorBurnWasGood, default true
  bool Hold;  // PriorSaidHoldThrottle, default false
};

TEST(SessionHistory, BooleansAreTrueForAnyNonzeroNumber) {
  const TBooleanCase cases[] = {{"0", false, false}, {"1", true, true},    {"7", true, true},
                                {"-1", true, true},  {"abc", true, false}, {"", true, false}};
  for (const TBooleanCase& c : cases) {
    TSessionWorld w;
    w.Host.Registry = {{"PriorBurnWasGood", c.Stored}, {"PriorSaidHoldThrottle", c.Stored}};
    w.Form->LoadHistory();
    EXPECT_EQ(w.Form->History.PriorBurnWasGood, c.Good) << c.Stored;
    EXPECT_EQ(w.Form->History.PriorSaidHoldThrottle, c.Hold) << c.Stored;
  }
}

struct TSaveCase {
  int32_t Result;
  const char* SpeedText;
  bool PriorGoodBefore;
  const char* GoodWritten;
  const char* PriorXWritten;  // nullptr: not written
};

TEST(SessionHistory, SaveDerivesTheOutcomeAndWritesInItsOrder) {
  const TSaveCase cases[] = {
      {0, "8", false, "1", "8"},     {1, "8", true, "0", "8"},      {7, "12", true, "0", "12"},
      {1, "", true, "0", nullptr},   {5, "8", true, "1", nullptr},  {5, "8", false, "0", nullptr},
      {-1, "4", true, "1", nullptr}, {76, "", false, "0", nullptr}, {0, "4 min", true, "1", nullptr},
  };
  for (const TSaveCase& c : cases) {
    TSessionWorld w;
    w.Form->ResultCode = c.Result;
    w.Form->SpeedText = c.SpeedText;
    w.Form->History.PriorBurnWasGood = c.PriorGoodBefore;
    w.Form->History.PriorSaidHoldThrottle = true;
    w.Form->CpuSpeed = 933;
    w.Form->TAOModeSuccess = 1, w.Form->SAOModeSuccess = 2, w.Form->DAOModeSuccess = 3;
    w.Form->TAOModeFail = 4, w.Form->SAOModeFail = 5, w.Form->DAOModeFail = 6;
    w.Form->SaveHistory();
    std::vector<std::string> expected = {"Reg:CPUspeed=933",
                                         "Reg:PriorBurnWasGood=" + std::string(c.GoodWritten),
                                         "Reg:PriorSaidHoldThrottle=1",
                                         "Reg:TAOModeSuccess=1",
                                         "Reg:SAOModeSuccess=2",
                                         "Reg:DAOModeSuccess=3",
                                         "Reg:TAOModeFail=4",
                                         "Reg:SAOModeFail=5",
                                         "Reg:DAOModeFail=6",
                                         "Reg:BBResult=" + std::to_string(c.Result)};
    if (c.PriorXWritten) expected.push_back("Reg:PriorX=" + std::string(c.PriorXWritten));
    EXPECT_EQ(w.Log.Matching("Reg:"), expected) << c.Result << " / " << c.SpeedText;
  }
}

TEST(SessionHistory, SaveWithoutAKeyWritesNothing) {
  TSessionWorld w;
  w.Host.KeyAvailable = false;
  w.Form->ResultCode = 0;
  w.Form->SaveHistory();
  EXPECT_TRUE(w.Log.Matching("Reg:").empty());
  EXPECT_TRUE(w.Form->History.PriorBurnWasGood);
}

TEST(SessionHistory, InputValuesAreNeverWritten) {
  TSessionWorld w;
  w.Form->LoadHistory();
  w.Form->ResultCode = 0;
  w.Form->SpeedText = "8";
  w.Form->SaveHistory();
  for (const char* input : {"LastDiscNumber", "LastFolderPath", "LastFolderSize", "LastProjectDeleteIt",
                            "LastVolName", "Testing", "DeleteApplet"})
    EXPECT_EQ(w.Log.IndexOf(std::string("Reg:") + input + "="), -1) << input;
}

}  // namespace
}  // namespace qx::test
