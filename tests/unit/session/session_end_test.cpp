// The clean-up and the reports over a whole fake session: what is deleted, what the batch says and
// how it is started, and the address the browser is asked to open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/session_end.h"
#include "session_world.h"

using namespace qx;
using namespace qx::test;

namespace {

struct TStarted {
  std::vector<TBatchLaunch> Launches;
};

class TFakeSockets : public TSocketLayer {
public:
  explicit TFakeSockets(TEventLog& log) : Events(log) {}
  bool Starts = true;
  bool Start() override {
    Events.Log("Sockets:Start");
    return Starts;
  }
  void Stop() override { Events.Log("Sockets:Stop"); }

private:
  TEventLog& Events;
};

struct TEndWorld : TSessionWorld {
  TStarted Started;
  TSessionCleanup Cleanup{Host, Binding,
                          [this](const TBatchLaunch& launch) { Started.Launches.push_back(launch); }};
  TFakeSockets Sockets{Log};
  TSessionReports Reports{Host, View, Sockets};

  TEndWorld() {
    for (const char* name : {"qxc.qx", "RwLib.dll", "DEVICES.DEF", "W2kXP03.qx", "qxi9cd.qx"})
      Host.AddFile(Host.Folder + name);
  }
  std::string Batch() { return Host.TextFiles[Host.Folder + "qx1e.bat"]; }
};

}  // namespace

TEST(SessionCleanup, DeletesTheSupportFilesThenWritesAndStartsTheBatch) {
  TEndWorld w;
  w.Host.Files["wnaspi32.dll"] = 0x02 | 0x01;  // the applet's own hidden copy, read-only too
  w.Host.Versions["wnaspi32.dll"] = {5, 0, 0, 1};
  w.Cleanup.Cleanup(true, true, true);

  const std::vector<std::string> deletes = w.Log.Matching("Delete:");
  EXPECT_EQ(deletes,
            (std::vector<std::string>{"Delete:C:\\Applet\\qxc.qx", "Delete:C:\\Applet\\RwLib.dll",
                                      "Delete:C:\\Applet\\DEVICES.DEF", "Delete:C:\\Applet\\W2kXP03.qx",
                                      "Delete:C:\\Applet\\qxi9cd.qx"}));
  // Only the hidden bit goes; the batch deletes the file once the process has let go of it.
  EXPECT_EQ(w.Host.Files["wnaspi32.dll"], 0x01);
  EXPECT_EQ(w.Batch(),
            "@echo off\r\ncd \"C:\\Applet\\\"\r\n"
            ":try\r\ndel \"Applet.exe\"\r\nif exist \"Applet.exe\" goto try\r\n"
            ":try2\r\ndel \"wnaspi32.dll\"\r\nif exist \"wnaspi32.dll\" goto try2\r\n"
            "del \"C:\\Applet\\qx1e.bat\"\r\nexit\r\n");
  ASSERT_EQ(w.Started.Launches.size(), 1u);
  EXPECT_EQ(w.Started.Launches[0].CommandLine, "\"C:\\Applet\\qx1e.bat\"");
  EXPECT_LT(w.Log.IndexOf("Delete:C:\\Applet\\qxi9cd.qx"), w.Log.IndexOf("Write:C:\\Applet\\qx1e.bat"));
}

TEST(SessionCleanup, HistoryKeepsTheAppletAndAnOlderAspiLayerStays) {
  TEndWorld w;
  const bool historyAllowsDeletion = false;  // the history's DeleteApplet "0"
  w.Host.Files["wnaspi32.dll"] = 0x02;
  w.Host.Versions["wnaspi32.dll"] = {4, 6, 0, 1021};
  w.Host.NT = false;
  w.Cleanup.Cleanup(true, true, historyAllowsDeletion);
  EXPECT_EQ(w.Batch(), "@echo off\r\ncd \"C:\\Applet\\\"\r\ndel \"C:\\Applet\\qx1e.bat\"\r\nexit\r\n");
  EXPECT_EQ(w.Host.Files["wnaspi32.dll"], 0x02);
  ASSERT_EQ(w.Started.Launches.size(), 1u);
  EXPECT_EQ(w.Started.Launches[0].CommandLine, "command.com /c \"C:\\Applet\\qx1e.bat\"");
}

TEST(SessionCleanup, WithoutCleanAspiTheLayerIsLeftAlone) {
  TEndWorld w;
  w.Host.Files["wnaspi32.dll"] = 0x02;
  w.Host.Versions["wnaspi32.dll"] = {5, 0, 0, 1};
  w.Cleanup.Cleanup(false, false, true);
  EXPECT_EQ(w.Host.Files["wnaspi32.dll"], 0x02);
  EXPECT_EQ(w.Batch().find(":try"), std::string::npos);
}

TEST(SessionReports, AddressFromTheSessionsState) {
  TEndWorld w;
  w.Host.Online = true;
  w.Host.AddFile(w.Host.Folder + "CoverSheet.htm");
  w.Host.TextFiles[w.Host.Folder + "qxorig.qx"] = "My Disc\r\n[TITLE]\r\nTitle=Summer\r\n";
  w.Host.Versions[w.Host.AppletFileName()] = {6, 0, 0, 12};
  w.Form->ResultCode = 1;
  w.Form->RecorderVendor = "VENDOR";
  w.Form->RecorderProduct = "CD RW 52";
  w.Form->SuccText = "&Succ=0.0.3";
  w.Form->FailText = "&Fail=1.0.0";
  w.View.Hints[TGaugeId::ProgressBar] = "-";
  w.Reports.OpenResultsPage(w.Form->ReportValues());
  EXPECT_TRUE(
      w.Log.Has("ShellOpen:http://results.ravelle.invalid/vkrp6.asp?r=1&source=My_Disc&av=6.00(12)&ASPI=6"
                "&DirectCDvxd=6&p=100.-&cdr=VENDORCD_RW_52&Succ=0.0.3&Fail=1.0.0&t=&size=0"));
  EXPECT_LT(w.Log.IndexOf("ShellOpen:"), w.Log.IndexOf("Sockets:Stop"));
}

// The DirectCD version in the address is the driver's when it is there, the program's otherwise.
TEST(SessionReports, DirectCdVersionPrefersTheDriver) {
  const struct {
    const char* Name;
    bool Driver, Program;
    const char* Carried;
  } rows[] = {
      {"both files", true, true, "&DirectCDvxd=4.00&"},
      {"only the driver", true, false, "&DirectCDvxd=4.00&"},
      {"only the program", false, true, "&DirectCDvxd=5.00&"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TEndWorld w;
    w.Host.Online = true;
    w.Host.AddFile(w.Host.Folder + "CoverSheet.htm");
    w.Host.TextFiles[w.Host.Folder + "qxorig.qx"] = "My Disc\r\n";
    if (row.Driver) {
      w.Host.AddFile(kDirectCdDriver);
      w.Host.Versions[kDirectCdDriver] = {4, 0, 0, 1};
    }
    if (row.Program) {
      w.Host.AddFile(kDirectCdProgram);
      w.Host.Versions[kDirectCdProgram] = {5, 0, 0, 2};
    }
    w.Reports.OpenResultsPage(w.Form->ReportValues());
    const std::vector<std::string> opened = w.Log.Matching("ShellOpen:");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find(row.Carried), std::string::npos) << opened[0];
  }
}

// Every way the report is abandoned opens nothing and says nothing.
TEST(SessionReports, AbandonedSilently) {
  struct Row {
    const char* why;
    bool coverSheet, sockets, project;
  } rows[] = {
      {"no cover sheet", false, true, true},
      {"no socket layer", true, false, true},
      {"project description unreadable", true, true, false},
  };
  for (const Row& row : rows) {
    TEndWorld w;
    if (row.coverSheet) w.Host.AddFile(w.Host.Folder + "CoverSheet.htm");
    w.Sockets.Starts = row.sockets;
    if (row.project) w.Host.TextFiles[w.Host.Folder + "qxorig.qx"] = "Disc\r\n";
    w.Reports.OpenResultsPage(w.Form->ReportValues());
    EXPECT_EQ(w.Log.IndexOf("ShellOpen:"), -1) << row.why;
    EXPECT_TRUE(w.View.Memo.empty()) << row.why;
  }
}

TEST(SessionReports, HelpPagesAndCoverSheet) {
  TEndWorld w;
  w.Reports.OpenHelpPage();
  w.Reports.OpenAspiHelpPage();
  w.Reports.OpenCoverSheet();
  EXPECT_EQ(
      w.Log.Matching("ShellOpen:"),
      (std::vector<std::string>{"ShellOpen:http://www.ravelle.invalid/support/Ravelle/helpbutton-perm.asp",
                                "ShellOpen:http://www.ravelle.invalid/support/aboutaspi-perm.asp",
                                "ShellOpen:C:\\Applet\\CoverSheet.htm"}));
}
