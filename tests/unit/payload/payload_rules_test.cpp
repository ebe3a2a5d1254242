#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "payload/payload_rules.h"
#include "base/applet_layout.h"

using namespace qx;

TEST(ReplaceBatch, HoldsTheTwelveLinesWithCrLf) {
  const std::string text = ReplaceBatchText("C:\\Disc\\Burn Me.exe", "C:\\Disc\\");
  EXPECT_EQ(text,
            "@echo off\r\n"
            "cd \"C:\\Disc\\\"\r\n"
            ":try1\r\n"
            "del \"C:\\Disc\\Burn Me.exe\"\r\n"
            "if exist \"C:\\Disc\\Burn Me.exe\" goto try1\r\n"
            ":try2\r\n"
            "move \"C:\\Disc\\qx1e.qx\" \"Applet.exe\"\r\n"
            "if exist \"C:\\Disc\\qx1e.qx\" goto try2\r\n"
            ":try3\r\n"
            "del \"C:\\Disc\\qx1e.bat\"\r\n"
            "if exist \"C:\\Disc\\qx1e.bat\" goto try3\r\n"
            "exit\r\n");
}

// The command interpreter expands "%" inside quotes too; doubled, it stands for itself.
TEST(ReplaceBatch, DoublesPercentSignsInEveryPath) {
  const std::string text = ReplaceBatchText("C:\\Disc 100%\\a%b.exe", "C:\\Disc 100%\\");
  EXPECT_NE(text.find("cd \"C:\\Disc 100%%\\\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("del \"C:\\Disc 100%%\\a%%b.exe\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("move \"C:\\Disc 100%%\\qx1e.qx\" \"Applet.exe\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("if exist \"C:\\Disc 100%%\\qx1e.bat\" goto try3\r\n"), std::string::npos);
  EXPECT_EQ(BatchQuoted("100%"), "\"100%%\"");
}

TEST(ReplaceBatch, StartsDirectlyOnNtAndThroughCommandComOn9x) {
  const TBatchLaunch nt = BatchLaunch("C:\\Disc 100%\\qx1e.bat", true);
  EXPECT_EQ(nt.CommandLine, "\"C:\\Disc 100%\\qx1e.bat\"");
  EXPECT_EQ(nt.CreationFlags, 0x10u | 0x20u);  // new console, normal priority
  const TBatchLaunch nine = BatchLaunch("C:\\APP\\qx1e.bat", false);
  EXPECT_EQ(nine.CommandLine, "command.com /c \"C:\\APP\\qx1e.bat\"");
  EXPECT_EQ(nine.CreationFlags, 0x08u | 0x20u);  // detached, normal priority
}

TEST(BuildPlan, PacksAndDeletesTheSupportFilesInOrder) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SupportFilesToPack(false),
            (V{"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF", "qxi9cd.qx"}));
  EXPECT_EQ(SupportFilesToPack(true), (V{"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"}));
  EXPECT_EQ(SupportFilesToDelete(false),
            (V{"qxi9cd.qx", "W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"}));
  EXPECT_EQ(SupportFilesToDelete(true), (V{"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"}));
  EXPECT_EQ(PackedFilesToForceDelete(V{"a", "b", "c", "d"}), (V{"a", "b"}));
  EXPECT_EQ(PackedFilesToForceDelete(V{"a", "b"}), V{});
  EXPECT_EQ(PackedFilesToForceDelete(V{}), V{});
}

namespace {

struct Recorder {
  std::set<std::string> switches;
  std::set<std::string> failing;
  std::vector<std::string> calls;

  TMaintenanceWork Work() {
    auto step = [this](const char* name) {
      return [this, name] {
        calls.push_back(name);
        if (failing.count(name)) throw std::runtime_error(name);
      };
    };
    return {[this](const std::string& s) { return switches.count(s) > 0; }, step("build"), step("extract"),
            step("empty"), step("end")};
  }
};

}  // namespace

TEST(Maintenance, RunsTheFirstPresentWorkAndFallsThroughOnFailure) {
  struct Case {
    const char* name;
    std::set<std::string> switches;
    std::set<std::string> failing;
    bool result;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"no switch", {}, {}, false, {}},
      {"build", {kSwitchMax}, {}, true, {"build", "end"}},
      {"rle alone builds", {kSwitchRle}, {}, true, {"build", "end"}},
      {"build wins over spawn", {kSwitchNow, kSwitchSpawn}, {}, true, {"build", "end"}},
      {"failed build hands over to spawn",
       {kSwitchMax, kSwitchSpawn},
       {"build"},
       true,
       {"build", "extract", "end"}},
      {"spawn and empty: only the unpacking", {kSwitchSpawn, kSwitchEmpty}, {}, true, {"extract", "end"}},
      {"empty", {kSwitchEmpty}, {}, true, {"empty", "end"}},
      {"failed empty is swallowed", {kSwitchEmpty}, {"empty"}, true, {"empty"}},
      {"preview switch is not maintenance", {kSwitchShow}, {}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    r.switches = c.switches;
    r.failing = c.failing;
    EXPECT_EQ(RunMaintenanceSteps(r.Work()), c.result);
    EXPECT_EQ(r.calls, c.calls);
  }
}
