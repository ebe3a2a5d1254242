// The payload module over an in-memory file system: unpacking in a session and the maintenance
// works that build and strip applets.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../archive/memory_file_system.h"
#include "archive/memory_stream.h"
#include "payload/payload_module.h"
#include "payload/payload_writer.h"
#include "base/applet_layout.h"

using namespace qx;

namespace {

const std::string kFolder = "C:\\Disc 100%\\";
const std::string kApplet = kFolder + "Burn Me.exe";

class FakeHost : public TPayloadHost {
public:
  explicit FakeHost(MemoryFileSystem& fs) : fs_(fs) {}
  std::string AppletPath() override { return kApplet; }
  bool IsSwitch(const std::string& text) override { return Switches.count(text) > 0; }
  bool IsNT() override { return NT; }
  bool CopyOneFile(const std::string& source, const std::string& target, bool) override {
    if (!fs_.Files.count(source)) return false;
    fs_.Files[target] = fs_.Files[source];
    return true;
  }
  void StartHidden(const TBatchLaunch& launch) override { Launches.push_back(launch); }
  void RequestEnd() override { ++EndRequests; }
  bool HasMainWindow() override { return Window; }
  void ProcessMessages() override { ++Pumps; }
  void SetPreparationProgress(int percent) override { Progress.push_back(percent); }

  std::set<std::string> Switches;
  bool NT = true;
  bool Window = false;
  std::vector<TBatchLaunch> Launches;
  int EndRequests = 0, Pumps = 0;
  std::vector<int> Progress;

private:
  MemoryFileSystem& fs_;
};

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> Stub() {
  std::vector<uint8_t> stub(kPayloadOffset);
  for (size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<uint8_t>(i * 7 + 1);
  return stub;
}

// An applet file: the stub followed by an archive of the named members (contents = their names).
std::vector<uint8_t> AppletWith(const std::vector<std::string>& members) {
  MemoryFileSystem source;
  TStringList files;
  for (const std::string& m : members) {
    source.AddFile("D:\\src\\" + m, Bytes("content of " + m));
    files.Add("D:\\src\\" + m);
  }
  TArchiver archiver;
  archiver.FileSystem = &source;
  archiver.SetTargetPath("D:\\src");
  TMemoryStream out(Stub());
  AppendPayload(archiver, out, files, cmRLE);
  return out.Bytes;
}

std::vector<std::string> MemberNames(const std::vector<uint8_t>& applet,
                                     std::vector<int>* methods = nullptr) {
  TMemoryStream stream(applet);
  stream.SetPosition(kPayloadOffset);
  TArchiver archiver;
  TStringList list;
  archiver.ScanArchive(stream, list);
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) {
    names.push_back(list.Strings(i));
    if (methods) methods->push_back(static_cast<const TArchiveEntryInfo*>(list.Objects(i))->MethodIndex);
  }
  TArchiver::FreeFileList(&list);
  return names;
}

struct Fixture {
  MemoryFileSystem fs;
  FakeHost host{fs};
  std::string Text(const std::string& name) {
    const auto& b = fs.Files.at(kFolder + name).Bytes;
    return {b.begin(), b.end()};
  }
  bool Has(const std::string& name) { return fs.FileExists(kFolder + name); }
};

using Names = std::vector<std::string>;

}  // namespace

TEST(UnpackSupportFiles, UnpacksTheFourMembersAndHidesLibraryAndAspiLayer) {
  Fixture f;
  f.fs.AddFile(kApplet, AppletWith({"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF", "qxi9cd.qx"}));
  f.fs.AddFile(kFolder + "RwLib.dll", Bytes("stale"), 0, 0x21);
  TPayloadModule module(f.host, f.fs);
  EXPECT_TRUE(module.UnpackSupportFiles());
  EXPECT_EQ(f.Text("qxorig.qx"), "content of qxorig.qx");
  EXPECT_EQ(f.Text("RwLib.dll"), "content of RwLib.dll");
  EXPECT_EQ(f.Text("DEVICES.DEF"), "content of DEVICES.DEF");
  EXPECT_EQ(f.Text("W2kXP03.qx"), "content of W2kXP03.qx");
  EXPECT_EQ(f.fs.GetAttributes(kFolder + "RwLib.dll"), 0x02);
  EXPECT_EQ(f.fs.GetAttributes(kFolder + "W2kXP03.qx"), 0x02);
  EXPECT_NE(f.fs.GetAttributes(kFolder + "DEVICES.DEF"), 0x02);
  EXPECT_FALSE(f.Has("qxi9cd.qx"));  // left for the build modes
  EXPECT_TRUE(f.host.Launches.empty());
}

// Copies left in the folder by a session that was killed: hidden as the session left them, or
// read-only or system as a person may have made them. The new session's own copies replace them.
TEST(UnpackSupportFiles, ReplacesStaleCopiesWhateverTheirAttributes) {
  for (const int32_t attributes : {0x02, 0x01, 0x04, 0x23, 0x07}) {
    SCOPED_TRACE(attributes);
    Fixture f;
    f.fs.AddFile(kApplet, AppletWith({"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"}));
    for (const char* name : {"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"})
      f.fs.AddFile(kFolder + name, Bytes("stale"), 0, attributes);
    TPayloadModule module(f.host, f.fs);
    EXPECT_TRUE(module.UnpackSupportFiles());
    for (const char* name : {"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"})
      EXPECT_EQ(f.Text(name), std::string("content of ") + name);
    EXPECT_EQ(f.fs.GetAttributes(kFolder + "RwLib.dll"), 0x02);
    EXPECT_EQ(f.fs.GetAttributes(kFolder + "W2kXP03.qx"), 0x02);
  }
}

TEST(UnpackSupportFiles, AReadOnlyOldProjectDescriptionDoesNotPassForTheNewOne) {
  Fixture f;
  f.fs.AddFile(kApplet, AppletWith({"RwLib.dll"}));
  f.fs.AddFile(kFolder + "qxorig.qx", Bytes("from an earlier run"), 0, 0x03);
  TPayloadModule module(f.host, f.fs);
  EXPECT_FALSE(module.UnpackSupportFiles());
  EXPECT_FALSE(f.Has("qxorig.qx"));
}

TEST(UnpackSupportFiles, LeavesAFileAloneThatThePayloadDoesNotCarry) {
  Fixture f;
  f.fs.AddFile(kApplet, AppletWith({"qxorig.qx", "RwLib.dll"}));
  f.fs.AddFile(kFolder + "DEVICES.DEF", Bytes("the person's own"), 0, 0x01);
  TPayloadModule module(f.host, f.fs);
  EXPECT_TRUE(module.UnpackSupportFiles());
  EXPECT_EQ(f.Text("DEVICES.DEF"), "the person's own");
  EXPECT_EQ(f.fs.GetAttributes(kFolder + "DEVICES.DEF"), 0x01);
}

// The fake refuses what Win32 refuses, or the tests above would pass without the module's care.
TEST(MemoryFileSystemRules, RefusesToReplaceOrDeleteProtectedFiles) {
  struct Case {
    int32_t attributes;
    bool create, write, remove;
  };
  for (const Case& c : {Case{0x20, true, true, true}, Case{0x02, false, true, true},
                        Case{0x04, false, true, true}, Case{0x01, false, false, false}}) {
    SCOPED_TRACE(c.attributes);
    MemoryFileSystem fs;
    fs.AddFile("C:\\a\\x", Bytes("x"), 0, c.attributes);
    bool created = true, opened = true;
    try {
      fs.Create("C:\\a\\x");
    } catch (const EFCreateError&) {
      created = false;
    }
    try {
      fs.OpenReadWrite("C:\\a\\x");
    } catch (const EFOpenError&) {
      opened = false;
    }
    EXPECT_EQ(created, c.create);
    EXPECT_EQ(opened, c.write);
    EXPECT_EQ(fs.RemoveFile("C:\\a\\x"), c.remove);
  }
}

TEST(UnpackSupportFiles, FailsWithoutAProjectDescriptionEvenWhenAnOldOneLay) {
  Fixture f;
  f.fs.AddFile(kApplet, AppletWith({"RwLib.dll", "DEVICES.DEF", "W2kXP03.qx"}));
  f.fs.AddFile(kFolder + "qxorig.qx", Bytes("from an earlier run"));
  TPayloadModule module(f.host, f.fs);
  EXPECT_FALSE(module.UnpackSupportFiles());
  EXPECT_FALSE(f.Has("qxorig.qx"));
  EXPECT_TRUE(f.Has("RwLib.dll") && f.Has("DEVICES.DEF") && f.Has("W2kXP03.qx"));
}

TEST(UnpackSupportFiles, BareStubAndDamagedPayloadReportFalseWithoutRaising) {
  struct Case {
    const char* name;
    std::vector<uint8_t> applet;
  };
  std::vector<uint8_t> junk = Stub();
  junk.insert(junk.end(), 2000, 'x');
  for (const Case& c : {Case{"bare stub", Stub()}, Case{"not an archive", junk}}) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.fs.AddFile(kApplet, c.applet);
    TPayloadModule module(f.host, f.fs);
    EXPECT_FALSE(module.UnpackSupportFiles());
    EXPECT_EQ(f.fs.Files.size(), 1u);
  }
}

TEST(Maintenance, BuildPacksTheSupportFilesDeletesThemAndStartsTheBatch) {
  struct Case {
    const char* name;
    std::set<std::string> switches;
    Names present;
    Names packed;
    int method;
    int32_t attributes;
    Names left;
  };
  const Names all{"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF", "qxi9cd.qx"};
  const Case cases[] = {
      {"rle build of all five", {kSwitchRle}, all, all, cmRLE, 0x22, {}},
      {"a missing file is left out",
       {kSwitchRle},
       {"W2kXP03.qx", "RwLib.dll", "qxi9cd.qx"},
       {"W2kXP03.qx", "RwLib.dll", "qxi9cd.qx"},
       cmRLE,
       0x22,
       {}},
      {"without qxi9cd.qx",
       {kSwitchRle, kSwitchNow},
       all,
       {"W2kXP03.qx", "qxorig.qx", "RwLib.dll", "DEVICES.DEF"},
       cmRLE,
       0x22,
       {"qxi9cd.qx"}},
      // Only the packed files before the last two are deleted by force; read-only ones after
      // them refuse the plain delete and stay.
      {"read-only files", {kSwitchRle}, all, all, cmRLE, 0x23, {"DEVICES.DEF", "qxi9cd.qx"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.host.Switches = c.switches;
    f.fs.AddFile(kApplet, Stub());
    for (const std::string& n : c.present)
      f.fs.AddFile(kFolder + n, Bytes("new " + n), 0x5A2B6C3D, c.attributes);
    TPayloadModule module(f.host, f.fs);
    EXPECT_TRUE(module.RunMaintenanceMode());
    EXPECT_EQ(f.host.EndRequests, 1);

    const std::vector<uint8_t>& built = f.fs.Files.at(kFolder + "qx1e.qx").Bytes;
    EXPECT_TRUE(std::equal(built.begin(), built.begin() + kPayloadOffset, Stub().begin()));
    std::vector<int> methods;
    EXPECT_EQ(MemberNames(built, &methods), c.packed);
    for (int m : methods) EXPECT_EQ(m, c.method);
    Names left;
    for (const std::string& n : all)
      if (f.Has(n)) left.push_back(n);
    EXPECT_EQ(left, c.left);

    EXPECT_EQ(f.Text("qx1e.bat"), ReplaceBatchText(kApplet, kFolder));
    ASSERT_EQ(f.host.Launches.size(), 1u);
    EXPECT_EQ(f.host.Launches[0].CommandLine, "\"" + kFolder + "qx1e.bat\"");
  }
}

TEST(Maintenance, BuildOnAPayloadThatIsNotAnArchiveStartsNoBatch) {
  Fixture f;
  f.host.Switches = {kSwitchMax};
  std::vector<uint8_t> junk = Stub();
  junk.insert(junk.end(), 500, 'x');
  f.fs.AddFile(kApplet, junk);
  f.fs.AddFile(kFolder + "qxorig.qx", Bytes("project"));
  TPayloadModule module(f.host, f.fs);
  EXPECT_TRUE(module.RunMaintenanceMode());
  EXPECT_TRUE(f.host.Launches.empty());
  EXPECT_EQ(f.host.EndRequests, 0);
  EXPECT_TRUE(f.Has("qxorig.qx"));
  EXPECT_EQ(f.fs.Files.at(kApplet).Bytes, junk);
}

TEST(Maintenance, BuildSkipsFilesThePayloadAlreadyCarries) {
  Fixture f;
  f.host.Switches = {kSwitchRle};
  f.fs.AddFile(kApplet, AppletWith({"qxorig.qx"}));
  f.fs.AddFile(kFolder + "qxorig.qx", Bytes("p"));
  f.fs.AddFile(kFolder + "RwLib.dll", Bytes("r"));
  TPayloadModule module(f.host, f.fs);
  module.RunMaintenanceMode();
  // The new archive follows the whole old applet; its members start after the old payload.
  const std::vector<uint8_t>& built = f.fs.Files.at(kFolder + "qx1e.qx").Bytes;
  EXPECT_EQ(MemberNames(built), Names{"qxorig.qx"});
  const std::vector<uint8_t> old = AppletWith({"qxorig.qx"});
  TMemoryStream tail(
      std::vector<uint8_t>(built.begin() + static_cast<long>(old.size()) - kPayloadOffset, built.end()));
  EXPECT_EQ(MemberNames(tail.Bytes), Names{"RwLib.dll"});
}

TEST(Maintenance, EmptyWritesTheStubAloneAndNothingForABareStub) {
  {
    Fixture f;
    f.host.Switches = {kSwitchEmpty};
    f.fs.AddFile(kApplet, AppletWith({"qxorig.qx"}));
    TPayloadModule module(f.host, f.fs);
    EXPECT_TRUE(module.RunMaintenanceMode());
    EXPECT_EQ(f.fs.Files.at(kFolder + "qx1e.qx").Bytes, Stub());
    ASSERT_EQ(f.host.Launches.size(), 1u);
  }
  {
    Fixture f;
    f.host.Switches = {kSwitchEmpty};
    f.fs.AddFile(kApplet, Stub());
    TPayloadModule module(f.host, f.fs);
    EXPECT_TRUE(module.RunMaintenanceMode());
    EXPECT_EQ(f.fs.Files.size(), 1u);
    EXPECT_TRUE(f.host.Launches.empty());
  }
}

TEST(Maintenance, SpawnWritesEveryMemberAndWinsOverEmpty) {
  Fixture f;
  f.host.Switches = {kSwitchSpawn, kSwitchEmpty};
  f.host.NT = false;
  f.fs.AddFile(kApplet, AppletWith({"qxorig.qx", "qxi9cd.qx", "qxc.qx"}));
  TPayloadModule module(f.host, f.fs);
  EXPECT_TRUE(module.RunMaintenanceMode());
  EXPECT_EQ(f.Text("qxi9cd.qx"), "content of qxi9cd.qx");
  EXPECT_EQ(f.Text("qxc.qx"), "content of qxc.qx");
  EXPECT_FALSE(f.Has("qx1e.qx"));
  EXPECT_TRUE(f.host.Launches.empty());
}

TEST(Maintenance, NineXFamilyStartsTheBatchThroughCommandCom) {
  Fixture f;
  f.host.Switches = {kSwitchEmpty};
  f.host.NT = false;
  f.fs.AddFile(kApplet, AppletWith({"qxorig.qx"}));
  TPayloadModule module(f.host, f.fs);
  module.RunMaintenanceMode();
  ASSERT_EQ(f.host.Launches.size(), 1u);
  EXPECT_EQ(f.host.Launches[0].CommandLine, "command.com /c \"" + kFolder + "qx1e.bat\"");
}

TEST(SpawnProgress, DrivesTheWindowGaugeOnlyOutsideTheBuildModes) {
  struct Case {
    std::set<std::string> switches;
    bool window;
    bool shown;
  };
  for (const Case& c : {Case{{}, true, true}, Case{{}, false, false}, Case{{kSwitchMax}, true, false},
                        Case{{kSwitchRle}, true, false}, Case{{kSwitchSpawn}, true, true}}) {
    Fixture f;
    f.fs.AddFile(kApplet, Stub());
    f.host.Switches = c.switches;
    f.host.Window = c.window;
    TPayloadModule module(f.host, f.fs);
    int percent = 42;
    module.ShowSpawnProgress(percent);
    EXPECT_EQ(percent, 42);
    EXPECT_EQ(f.host.Progress, c.shown ? std::vector<int>{42} : std::vector<int>{});
  }
}

TEST(ForceDelete, ClearsReadOnlyAndHiddenFirst) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\a\\x", Bytes("x"), 0, 0x23);
  EXPECT_TRUE(ForceDeleteFile(fs, "C:\\a\\x"));
  EXPECT_FALSE(fs.FileExists("C:\\a\\x"));
  EXPECT_FALSE(ForceDeleteFile(fs, "C:\\a\\x"));
}
