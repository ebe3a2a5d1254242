#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/run_mode.h"
#include "session/session_rules.h"

using namespace qx;

namespace {

// Selects the run mode for a command line, recording every switch and size test made.
struct TSelection {
  TRunMode Mode;
  std::vector<std::string> SwitchesTested;
  bool SizeTested = false;
};

TSelection Select(const std::string& commandLine, bool sizeInRange) {
  TSelection selection{};
  selection.Mode = SelectRunMode(
      [&](const char* text) {
        selection.SwitchesTested.push_back(text);
        return CommandLineHasSwitch(commandLine, text);
      },
      [&] {
        selection.SizeTested = true;
        return sizeInRange;
      });
  return selection;
}

TEST(SelectRunMode, ModesBySwitchAndSize) {
  struct TCase {
    const char* line;
    bool sizeInRange;
    TRunMode mode;
    bool sizeTested;
  } cases[] = {
      {"a.exe", true, TRunMode::rmSession, true},
      {"a.exe", false, TRunMode::rmNothing, true},
      {"a.exe /MAX#13/#10", false, TRunMode::rmMaintenance, false},
      {"a.exe /max", true, TRunMode::rmSession, true},
      {"a.exe -max#13/#10", true, TRunMode::rmSession, true},
      {"a.exe \"/emptyqx00#13/#10\"", false, TRunMode::rmMaintenance, false},
      {"a.exe /show", false, TRunMode::rmPreview, false},
      {"a.exe /show", true, TRunMode::rmPreview, false},
      {"a.exe /show /spawnqx00#13/#10", true, TRunMode::rmMaintenance, false},
      {"a.exe /testqx00", true, TRunMode::rmSession, true},
  };
  for (const TCase& c : cases) {
    const TSelection selection = Select(c.line, c.sizeInRange);
    EXPECT_EQ(selection.Mode, c.mode) << c.line;
    EXPECT_EQ(selection.SizeTested, c.sizeTested) << c.line;
  }
}

TEST(SelectRunMode, MaintenanceSwitchesAreTestedInOrderUntilTheFirstPresent) {
  EXPECT_EQ(Select("a.exe /show", true).SwitchesTested,
            (std::vector<std::string>{"/max#13/#10", "/Now#13/#10", "/#13/#10", "/spawnqx00#13/#10",
                                      "/emptyqx00#13/#10", "/show"}));
  EXPECT_EQ(Select("a.exe /emptyqx00#13/#10 /#13/#10", true).SwitchesTested,
            (std::vector<std::string>{"/max#13/#10", "/Now#13/#10", "/#13/#10"}));
}

TEST(SelectRunMode, SwitchTextsAndSizeBounds) {
  // "#13/#10" is seven ordinary characters
  EXPECT_EQ(std::string(kMaintenanceSwitchTexts[0]).size(), 11u);
  EXPECT_EQ(std::string(kMaintenanceSwitchTexts[2]).size(), 8u);
  EXPECT_EQ(std::string(kMaintenanceSwitchTexts[3]).size(), 17u);
  EXPECT_EQ(kPayloadOffset, 0xB0600);
  EXPECT_EQ(kMinAppletSize, kPayloadOffset + 1024);
  EXPECT_EQ(kMaxAppletSize, 0x7FFFFFFF);
}

// The exit code of a session run: the session's own rule (the start-up's copy of it is gone).
TEST(NextResultCode, TheFirstCodeOfTwoOrMoreSticks) {
  EXPECT_EQ(NextResultCode(-1, 5), 5);
  EXPECT_EQ(NextResultCode(7, 1), 7);
  EXPECT_EQ(NextResultCode(5, 7), 5);
  EXPECT_EQ(NextResultCode(1, 7), 7);
  EXPECT_EQ(NextResultCode(0, 1), 1);
  EXPECT_EQ(NextResultCode(-1, -1), -1);
}

}  // namespace
