#pragma once
// TPayloadModule: the archive behind the applet's stub. In a session it unpacks the support files
// that recording needs; in the maintenance modes it builds a new applet from support files lying
// beside the running one, unpacks every member, or strips the payload, and leaves the replacement
// of the running applet to a batch file that runs once this process has ended.
#include <memory>
#include <string>

#include "archive/archiver.h"
#include "archive/file_system.h"
#include "payload/payload_rules.h"

namespace qx {

// What the module needs of the platform besides files.
class TPayloadHost {
public:
  virtual ~TPayloadHost() = default;
  // Full path of the running applet, with "\" between folders.
  virtual std::string AppletPath() = 0;
  virtual bool IsSwitch(const std::string& text) = 0;
  virtual bool IsNT() = 0;
  // The platform's file copy; with failIfExists false an existing target is replaced.
  virtual bool CopyOneFile(const std::string& source, const std::string& target, bool failIfExists) = 0;
  // Starts a process hidden and does not wait for it; a failure to start goes unnoticed.
  virtual void StartHidden(const TBatchLaunch& launch) = 0;
  // Asks the application to end.
  virtual void RequestEnd() = 0;
  // The session window's preparation gauge, when the window exists.
  virtual bool HasMainWindow() = 0;
  virtual void ProcessMessages() = 0;
  virtual void SetPreparationProgress(int percent) = 0;
};

// Deletes a file after clearing its read-only and hidden attributes; true when it is gone.
bool ForceDeleteFile(TFileSystem& fs, const std::string& path);

class TPayloadModule {
public:
  // Opens the running applet's own file for reading (others may read and write it too); an
  // applet that cannot open itself cannot go on, so that error reaches the caller.
  explicit TPayloadModule(TPayloadHost& host, TFileSystem& fs = HostFileSystem());
  ~TPayloadModule();
  TPayloadModule(const TPayloadModule&) = delete;
  TPayloadModule& operator=(const TPayloadModule&) = delete;

  // Session: true when "qxorig.qx" lies in the applet folder afterwards. Never raises.
  bool UnpackSupportFiles();
  // Unpacks one stored member into the applet folder, replacing a file of that name; archive
  // errors reach the caller.
  void ExtractOne(const std::string& name);
  bool PayloadContains(const std::string& name);

  // Maintenance: true when any maintenance switch is present.
  bool RunMaintenanceMode();
  void ExtractAll();
  void BuildApplet();
  void AddIfPackable(const std::string& path, TStringList& packList);
  void AppendPayload(TStringList& packList);
  void MakeEmptyApplet();
  void WriteReplaceBatch();
  void ShowSpawnProgress(int& percentageDone);

  const std::string& AppletFolder() const { return appletFolder_; }

  TArchiver Compress;
  std::unique_ptr<TFileStream> SelfStream;

private:
  std::string AppPath(const std::string& name) const;

  TPayloadHost& host_;
  TFileSystem& fs_;
  std::string appletPath_;
  std::string appletFolder_;
};

}  // namespace qx
