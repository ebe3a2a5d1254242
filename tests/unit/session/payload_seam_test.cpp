// The real payload module behind the session's seam: a damaged payload does not raise out of the
// ASPI check, and unpacking in a session drives no gauge.
#include <gtest/gtest.h>

#include "../archive/memory_file_system.h"
#include "base/applet_layout.h"
#include "payload/payload_module.h"
#include "session/payload_seam.h"

namespace qx {
namespace {

const std::string kApplet = "C:\\Applet\\Applet.exe";

class TQuietPayloadHost : public TPayloadHost {
public:
  std::string AppletPath() override { return kApplet; }
  bool IsSwitch(const std::string&) override { return false; }
  bool IsNT() override { return true; }
  bool CopyOneFile(const std::string&, const std::string&, bool) override { return false; }
  void StartHidden(const TBatchLaunch&) override {}
  void RequestEnd() override {}
  bool HasMainWindow() override { return true; }
  void ProcessMessages() override {}
  void SetPreparationProgress(int) override {}
};

TEST(SessionPayloadSeam, ADamagedPayloadMakesTheExtractionFailWithoutRaising) {
  MemoryFileSystem fs;
  std::vector<uint8_t> applet(kPayloadOffset, 0x90);
  applet.insert(applet.end(), 500, 'x');  // no archive behind the stub
  fs.AddFile(kApplet, applet);
  TQuietPayloadHost host;
  TPayloadModule module(host, fs);
  TPayloadModuleSeam seam(module);
  EXPECT_FALSE(seam.RunMaintenanceMode());
  EXPECT_FALSE(seam.ExtractOne("W2kXP03.qx"));
  EXPECT_FALSE(seam.UnpackSupportFiles());
}

TEST(SessionPayloadSeam, DetachingTheProgressLeavesTheArchiverWithoutCallback) {
  MemoryFileSystem fs;
  fs.AddFile(kApplet, std::vector<uint8_t>(kPayloadOffset, 0x90));
  TQuietPayloadHost host;
  TPayloadModule module(host, fs);
  ASSERT_TRUE(static_cast<bool>(module.Compress.OnShowProgress));
  TPayloadModuleSeam(module).DetachProgress();
  EXPECT_FALSE(static_cast<bool>(module.Compress.OnShowProgress));
}

}  // namespace
}  // namespace qx
