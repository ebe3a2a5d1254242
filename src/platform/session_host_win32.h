#pragma once
// The session's host on Win32: the application object's waits and message pump, CommonUtils, and
// the platform's files, registry, memory, processor, version resources and shell. The methods
// are defined one platform piece per file: session_host_win32.cpp (waits, process facts, shell,
// texts), machine_win32.cpp (memory, cycle counter, priorities), session_files_win32.cpp (files,
// free space, ini), version_resource_win32.cpp and registry_key_win32.cpp.
// windows.h names DeleteFileA as DeleteFile; wherever this header is seen, DeleteFile is the
// host's own operation, so every file sees the same class.
#ifdef DeleteFile
#undef DeleteFile
#endif
#include "platform/platform_facts.h"
#include "session/session_host.h"

namespace qx {

class TApplication;

class TWin32SessionHost : public TSessionHost {
public:
  TWin32SessionHost(TApplication& application, const TPlatformFacts& facts)
      : Application(application), Facts(facts) {}

  void Delay(uint32_t milliseconds) override;
  void ProcessMessages() override;
  void Sleep(uint32_t milliseconds) override;
  bool Terminated() override;
  void Beep() override;
  void EndProcess(int exitCode) override;

  bool IsNT() override;
  bool IsAdmin() override;
  bool IsOnline() override;
  bool IsSwitch(const std::string& text) override;
  int32_t AppletSize() override;
  std::string AppletFileName() override;
  std::string AppPath(const std::string& name) override;
  std::string CurrentFolder() override;
  std::string SystemFolder() override;
  std::string WindowsFolder() override;
  std::string EnvironmentPath() override;
  TMemoryStatus MemoryStatus() override;
  uint64_t CycleCounter() override;
  TPriorities Priorities() override;
  void SetPriorities(const TPriorities& priorities) override;
  void RaiseToRealTime() override;
  void LowerThreadBelowNormal() override;

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  int32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, int32_t attributes) override;
  void ClearFolder(const std::string& folder) override;
  uint64_t FreeBytes(const std::string& root) override;
  bool FileVersion(const std::string& file, TFileVersion& version) override;
  bool ReadTextFile(const std::string& path, std::string& content) override;
  bool ReadFilePieces(const std::string& path,
                      const std::function<bool(const char* data, std::size_t size)>& piece) override;
  bool WriteTextFile(const std::string& path, const std::string& content) override;
  std::string ReadIniString(const std::string& file, const std::string& section,
                            const std::string& key) override;

  std::unique_ptr<TRegistryKey> OpenHistoryKey() override;
  void ShellOpen(const std::string& target) override;
  void CloseCdPlayer() override;
  std::string Text(unsigned id) override;

private:
  TApplication& Application;
  const TPlatformFacts& Facts;
};

}  // namespace qx
