#include "payload/payload_module.h"

#include <cstdint>

#include "base/applet_layout.h"
#include "base/support_files.h"
#include "base/text.h"
#include "payload/payload_writer.h"

namespace qx {

namespace {

constexpr int32_t kReadOnlyAttribute = 0x01;
constexpr int32_t kHiddenAttribute = 0x02;
constexpr int32_t kSystemAttribute = 0x04;
constexpr int32_t kProtectingAttributes = kReadOnlyAttribute | kHiddenAttribute | kSystemAttribute;

// Drops the attributes that make a create over an existing file fail; a missing file is fine.
void MakeReplaceable(TFileSystem& fs, const std::string& path) {
  const int32_t attributes = fs.GetAttributes(path);
  if (attributes >= 0 && (attributes & kProtectingAttributes))
    fs.SetAttributes(path, attributes & ~kProtectingAttributes);
}

}  // namespace

bool ForceDeleteFile(TFileSystem& fs, const std::string& path) {
  const int32_t attributes = fs.GetAttributes(path);
  if (attributes < 0) return false;
  if (attributes & (kReadOnlyAttribute | kHiddenAttribute))
    fs.SetAttributes(path, attributes & ~(kReadOnlyAttribute | kHiddenAttribute));
  return fs.RemoveFile(path);
}

TPayloadModule::TPayloadModule(TPayloadHost& host, TFileSystem& fs)
    : host_(host), fs_(fs), appletPath_(host.AppletPath()), appletFolder_(FolderPart(appletPath_)) {
  Compress.FileSystem = &fs_;
  Compress.MakeDirectories = false;
  Compress.ExceptionOnFileError = false;
  Compress.Key = 0;
  Compress.CheckSpaceBeforeExpand = false;
  Compress.OnShowProgress = [this](int& percent) { ShowSpawnProgress(percent); };
  SelfStream = fs_.OpenRead(appletPath_);
}

TPayloadModule::~TPayloadModule() = default;

std::string TPayloadModule::AppPath(const std::string& name) const { return appletFolder_ + name; }

bool TPayloadModule::PayloadContains(const std::string& name) {
  SelfStream->SetPosition(kPayloadOffset);
  TStringList list;
  struct Release {
    TStringList& list;
    ~Release() { TArchiver::FreeFileList(&list); }
  } release{list};
  Compress.ScanArchive(*SelfStream, list);
  for (int i = 0; i < list.Count(); ++i)
    if (SameTextAscii(list.Strings(i), name)) return true;
  return false;
}

void TPayloadModule::ExtractOne(const std::string& name) {
  if (!PayloadContains(name)) return;
  // A copy left by a session that was killed is hidden (and may be read-only or a system file);
  // the file system refuses to create over such a file, and the stale copy would stay in use.
  MakeReplaceable(fs_, AppPath(name));
  TStringList selection;
  selection.Add(name);
  SelfStream->SetPosition(kPayloadOffset);
  Compress.SetTargetPath(appletFolder_);
  Compress.ExpandFiles(*SelfStream, &selection);
}

bool TPayloadModule::UnpackSupportFiles() {
  bool result = false;
  try {
    if (SelfStream->Size() <= kPayloadOffset) return false;
    // A project description left by an earlier run must not pass for this payload's.
    ForceDeleteFile(fs_, AppPath(kProjectFile));
    for (const char* name : {kProjectFile, kRecordingLibrary, kDeviceList, kOwnAspiCopy}) ExtractOne(name);
    fs_.SetAttributes(AppPath(kRecordingLibrary), kHiddenAttribute);
    fs_.SetAttributes(AppPath(kOwnAspiCopy), kHiddenAttribute);
    result = fs_.FileExists(AppPath(kProjectFile));
  } catch (...) {
    // The session reports missing files itself through its required-files check.
  }
  return result;
}

void TPayloadModule::ExtractAll() {
  try {
    SelfStream->SetPosition(kPayloadOffset);
    Compress.SetTargetPath(appletFolder_);
    Compress.ExpandFiles(*SelfStream);
  } catch (...) {
    // Members written before the failure stay; there is nobody to tell in this mode.
  }
}

bool TPayloadModule::RunMaintenanceMode() {
  TMaintenanceWork work;
  work.IsSwitch = [this](const std::string& s) { return host_.IsSwitch(s); };
  work.BuildApplet = [this] { BuildApplet(); };
  work.ExtractAll = [this] { ExtractAll(); };
  work.MakeEmptyApplet = [this] { MakeEmptyApplet(); };
  work.RequestEnd = [this] { host_.RequestEnd(); };
  return RunMaintenanceSteps(work);
}

void TPayloadModule::BuildApplet() {
  const bool withoutQxi9cd = host_.IsSwitch(kSwitchNow);
  TStringList packList;
  for (const std::string& name : SupportFilesToPack(withoutQxi9cd)) AddIfPackable(AppPath(name), packList);
  AppendPayload(packList);
  std::vector<std::string> packed;
  for (int i = 0; i < packList.Count(); ++i) packed.push_back(packList.Strings(i));
  for (const std::string& name : PackedFilesToForceDelete(packed)) ForceDeleteFile(fs_, AppPath(name));
  for (const std::string& name : SupportFilesToDelete(withoutQxi9cd)) fs_.RemoveFile(AppPath(name));
  WriteReplaceBatch();
}

void TPayloadModule::AddIfPackable(const std::string& path, TStringList& packList) {
  std::string stored = path;
  if (StartsWithAscii(stored, appletFolder_)) stored = stored.substr(appletFolder_.size());
  if (PayloadContains(stored)) return;
  if (!fs_.FileExists(path)) return;
  // A member holds at most 2,147,483,647 bytes.
  const int64_t size = fs_.FileSize(path);
  if (size < 0 || size > INT32_MAX) return;
  packList.Add(path);
}

void TPayloadModule::AppendPayload(TStringList& packList) {
  const std::string target = AppPath("qx1e.qx");
  host_.CopyOneFile(appletPath_, target, false);
  std::unique_ptr<TFileStream> out = fs_.OpenReadWrite(target);
  Compress.SetTargetPath(appletFolder_);
  qx::AppendPayload(Compress, *out, packList, host_.IsSwitch(kSwitchRle) ? cmRLE : cmLH5);
}

void TPayloadModule::MakeEmptyApplet() {
  if (SelfStream->Size() <= kPayloadOffset) return;
  std::unique_ptr<TFileStream> out = fs_.Create(AppPath("qx1e.qx"));
  WriteStub(*SelfStream, *out);
  // The batch first waits for this process to end, so the copy is complete before it is moved.
  WriteReplaceBatch();
}

void TPayloadModule::WriteReplaceBatch() {
  const std::string batchPath = AppPath("qx1e.bat");
  const std::string text = ReplaceBatchText(appletPath_, appletFolder_);
  {
    std::unique_ptr<TFileStream> batch = fs_.Create(batchPath);
    batch->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  }
  host_.StartHidden(BatchLaunch(batchPath, host_.IsNT()));
}

void TPayloadModule::ShowSpawnProgress(int& percentageDone) {
  if (host_.IsSwitch(kSwitchMax) || host_.IsSwitch(kSwitchNow) || host_.IsSwitch(kSwitchRle)) return;
  if (!host_.HasMainWindow()) return;
  host_.ProcessMessages();
  host_.SetPreparationProgress(percentageDone);
}

}  // namespace qx
