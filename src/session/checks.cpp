// The checks that run before a recording, in the chain's order. Each one either passes or writes
// its message, beeps and leaves its step for the right button; none ends the session itself.
#include <exception>

#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/form_main.h"
#include "session/session_rules.h"
#include "base/support_files.h"

namespace qx {

namespace {
// The engine's buffer parameter.
constexpr int32_t kEngineBuffer = 8192;
// Shares of the preparation gauge.
constexpr int kRecorderStepShare = 10;
constexpr int kRecorderFoundShare = 5;
}  // namespace

bool TFormMain::CheckRequiredFiles() {
  SetStep(stRequiredFiles);
  if (Host.FileExists(Host.AppPath(kProjectFile))) return true;
  Fail(IDS_CHECK_REQUIRED_FILES);
  return false;
}

bool TFormMain::CheckDiskSpace(int64_t required) {
  if (!BeginStep()) return false;
  SetStep(stDiskSpace);
  // The volume of the applet folder, named like "C:\"; a UNC folder gives a name the query
  // rejects, so a network drive counts as full.
  const std::string root = Host.CurrentFolder().substr(0, 3);
  const uint64_t available = Host.FreeBytes(root);
  if (required <= 0 || static_cast<uint64_t>(required) <= available) return true;
  Fail(IDS_CHECK_DISK_SPACE);
  return false;
}

bool TFormMain::MeasureCpuSpeed() {
  // A clock from an earlier session is trusted; measuring costs half a second at real-time priority.
  if (CpuSpeed >= 1) return true;
  const TPriorities saved = Host.Priorities();
  try {
    Host.RaiseToRealTime();
    Host.Sleep(10);
    const uint64_t start = Host.CycleCounter();
    Host.Sleep(500);
    const uint64_t end = Host.CycleCounter();
    Host.SetPriorities(saved);
    CpuSpeed = static_cast<int32_t>(static_cast<uint32_t>(end - start) / 500000u);
  } catch (...) {
    // A processor without a cycle counter: 1 MHz, so the next session does not try again.
    Host.SetPriorities(saved);
    CpuSpeed = 1;
  }
  return true;
}

bool TFormMain::CheckAspiLayer(bool allowInstall) {
  if (!BeginStep()) return false;
  SetStep(stAspiLayer);
  if (!Host.IsNT()) {
    // The 9x family brings its own layer: a newer copy beside the applet would shadow it.
    const std::string folder = Host.CurrentFolder();
    const bool inWindowsFolders = folder == Host.SystemFolder() || folder == Host.WindowsFolder();
    if (!inWindowsFolders && FileVersionText(kAspiLayer, "Short").front() >= '5')
      Host.DeleteFile(Host.AppPath(kAspiLayer));
    Host.DeleteFile(Host.AppPath(kOwnAspiCopy));
    return true;
  }
  if (Host.IsAdmin()) {
    if (InstallOwnAspiCopy()) return true;
  } else {
    if (AspiUsableOnPath()) {
      Host.DeleteFile(Host.AppPath(kOwnAspiCopy));
      return true;
    }
    if (allowInstall && !Host.FileExists(Host.AppPath(kAspiLayer)) && InstallOwnAspiCopy()) return true;
  }
  // Also when the administrator's install failed: a failing check always says why.
  Fail(IDS_CHECK_NO_ASPI);
  return false;
}

// The applet's own copy becomes the layer in its folder; a rename onto an existing layer fails
// and leaves that one. True when a layer lies in the applet folder afterwards.
bool TFormMain::InstallOwnAspiCopy() {
  const std::string copy = Host.AppPath(kOwnAspiCopy);
  if (!Host.FileExists(copy) && PayloadModule) PayloadModule->ExtractOne(kOwnAspiCopy);
  const std::string layer = Host.AppPath(kAspiLayer);
  Host.RenameFile(copy, layer);
  return Host.FileExists(layer);
}

// A layer in the current folder or on the PATH that is not of the old 1.x line.
bool TFormMain::AspiUsableOnPath() {
  bool found = Host.FileExists(JoinPath(Host.CurrentFolder(), kAspiLayer));
  for (const std::string& folder : PathFolders(Host.EnvironmentPath())) {
    if (found) break;
    found = Host.FileExists(JoinPath(folder, kAspiLayer));
  }
  // The version is that of the copy the system's library search finds, which is what the
  // recording library will load.
  return found && FileVersionText(kAspiLayer, "Short").front() != '1';
}

bool TFormMain::StartEngine() {
  if (!BeginStep()) return false;
  const bool bound = Library.BindRecordingLibrary();
  if (!bound) Append(IDS_CHECK_REQUIRED_FILES);

  MemoryFactor = MemoryFactorFor(Host.MemoryStatus());
  if (MemoryFactor == 0) {
    // No result code and no change of the button: the user may close programs and cancel.
    Append(IDS_CHECK_LOW_MEMORY);
    Host.Beep();
    return false;
  }

  const int32_t started = Library.StartRecordingEngine(static_cast<uint8_t>(MemoryFactor), kEngineBuffer);
  if (started == rwlib::rcSuccess) {
    RecorderOpen = true;
  } else {
    View.AppendStatus(Library.ErrorText(started));
    SetResult(rsNoRecorder);
  }
  // Without the library the engine's failure has been reported; asking further would only
  // repeat "Unable to load the dll".
  if (!bound) return true;

  std::string vendor, product;
  const int32_t identified = Library.GetVendorProductStrings(vendor, product);
  if (identified == rwlib::rcSuccess) {
    RecorderVendor = vendor;
    RecorderProduct = product;
  } else {
    View.AppendStatus(Library.ErrorText(identified));
    SetResult(rsNoRecorder);
  }

  // The other two write-mode flags are read and never used.
  int32_t tao = 0, flag2 = 0, flag3 = 0;
  const int32_t modes = Library.GetSupportedWriteModes(&tao, &flag2, &flag3);
  if (modes == rwlib::rcSuccess) {
    TaoSupported = tao != 0;
  } else {
    View.AppendStatus(Library.ErrorText(modes));
    SetResult(rsNoWriteMethod);
  }
  return true;
}

bool TFormMain::ShowRecorderInfo() {
  if (!BeginStep()) return false;
  SetStep(stRecorder);
  AddProgressLeft(kRecorderStepShare);
  if (RecorderOpen) {
    View.AppendStatus(Host.Text(IDS_CHECK_VERSION) + FileVersionText(Host.AppletFileName(), "Short") +
                      Host.Text(IDS_CHECK_WITH_ASPI) + FileVersionText(kAspiLayer, "Long"));
    View.AppendStatus(Host.Text(IDS_CHECK_RECORDER) + " " + RecorderVendor + " " + RecorderProduct);
    AddProgressLeft(kRecorderFoundShare);
    return true;
  }
  if (!Host.IsNT()) {
    Append(IDS_SESSION_NO_METHOD);
  } else if (Host.IsAdmin()) {
    View.AppendStatus(Host.Text(IDS_CHECK_NO_RECORDER) + Host.Text(IDS_SUPPORT_EMAIL) +
                      Host.Text(IDS_CHECK_NO_RECORDER_END));
  } else {
    Append(IDS_CHECK_NEED_ADMIN);
    ResultCode = rsNeedsAdmin;
  }
  Host.Beep();
  SetRightButton(rbOk);
  return false;
}

bool TFormMain::CheckBlankDisc(bool retry) {
  if (!BeginStep()) return false;
  SetStep(stBlankDisc);
  DiscBlank = false;
  bool answered = QueryDiscInfo();
  if (!answered) {
    // Perhaps the tray is open: close it, let the drive settle, ask once more.
    SettleDrive(true);
    if (SessionEnded) return false;
    answered = QueryDiscInfo();
  }
  if (answered && DiscBlank) return true;
  // The second look fails quietly: the press that asked for it exits with result 5.
  if (retry) return false;
  // False: the erase question has taken the session over (or the session is ending).
  if (!OfferErase() || SessionEnded) return false;
  SetStep(stBlankDisc);
  Append(IDS_CHECK_NO_BLANK_DISC);
  SetResult(rsNoBlankDisc);
  Host.Beep();
  Library.Unload();
  SetRightButton(rbOk);
  View.Focus(TButtonId::ButtonRight);
  return false;
}

// One disc query into the session's disc values; true when the library answered 1.
bool TFormMain::QueryDiscInfo() {
  // A library that does not answer leaves the values as they were.
  int32_t blank = DiscBlank, second = 0, erasable = DiscErasable, ready = DiscReady, media = MediaType;
  const int32_t answer = Library.GetDiscInfo(&blank, &second, &erasable, &ready, &media);
  DiscBlank = blank != 0;
  DiscErasable = erasable != 0;
  DiscReady = ready != 0;
  MediaType = media;
  return answer == rwlib::rcSuccess;
}

std::string TFormMain::FileVersionText(const std::string& file, const std::string& form) {
  return qx::FileVersionText(Host, file, form);
}

}  // namespace qx
