#pragma once
// What the session needs of the platform besides the window and the recording library: waits and
// message processing, the process's facts, files, the registry, memory, the processor's cycle
// counter and priorities, version resources, the shell and beeps. The Win32 implementation lives
// in src/app; native tests use a fake with a virtual clock whose waits deliver scripted presses,
// so handlers run nested inside a wait exactly as they do on Windows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qx {

// The four 16-bit parts of a file version resource's fixed information, most significant first.
struct TFileVersion {
  uint16_t Major = 0, Minor = 0, Release = 0, Build = 0;
};

struct TMemoryStatus {
  uint64_t AvailablePhysical = 0;  // bytes
  uint64_t TotalPhysical = 0;      // bytes
};

// The process's priority class and the calling thread's priority, as the platform spells them.
struct TPriorities {
  uint32_t ProcessClass = 0;
  int32_t Thread = 0;
};

// The history key, opened (and created when missing) with full access; closed when destroyed.
class TRegistryKey {
public:
  virtual ~TRegistryKey() = default;
  // False when the value is missing or cannot be read as a string.
  virtual bool Read(const char* name, std::string& value) = 0;
  // Stores the text as a string value; false when the platform refuses.
  virtual bool Write(const char* name, const std::string& value) = 0;
};

class TSessionHost {
public:
  virtual ~TSessionHost() = default;

  // --- waits and the message pump
  // Waits while processing window messages; returns early when the application is terminating.
  virtual void Delay(uint32_t milliseconds) = 0;
  virtual void ProcessMessages() = 0;
  // Waits without processing messages.
  virtual void Sleep(uint32_t milliseconds) = 0;
  // The application is ending: waits return at once from now on.
  virtual bool Terminated() = 0;
  // The default system beep.
  virtual void Beep() = 0;
  // Ends the process at once with the exit code. The Win32 host does not return. A fake may: the
  // controller has marked the session ended before the call, ignores every press from then on,
  // and each of its waits reports the end, so the flow that was interrupted stops where it is.
  virtual void EndProcess(int exitCode) = 0;

  // --- the process and the machine
  virtual bool IsNT() = 0;
  virtual bool IsAdmin() = 0;
  virtual bool IsOnline() = 0;
  // True when a parameter of the command line equals the text (letters compared in any case).
  virtual bool IsSwitch(const std::string& text) = 0;
  // The applet file's size as the start-up read it.
  virtual int32_t AppletSize() = 0;
  // The applet's own full path.
  virtual std::string AppletFileName() = 0;
  // The name inside the applet folder (which is also the current folder).
  virtual std::string AppPath(const std::string& name) = 0;
  // The current folder, the Windows system folder and the Windows folder, each ending in "\".
  virtual std::string CurrentFolder() = 0;
  virtual std::string SystemFolder() = 0;
  virtual std::string WindowsFolder() = 0;
  // The PATH environment variable ("" when unset).
  virtual std::string EnvironmentPath() = 0;
  virtual TMemoryStatus MemoryStatus() = 0;
  // The processor's cycle counter. May raise where the processor has none.
  virtual uint64_t CycleCounter() = 0;
  virtual TPriorities Priorities() = 0;
  // Restores the thread priority first, then the priority class.
  virtual void SetPriorities(const TPriorities& priorities) = 0;
  // Real-time class and time-critical thread priority, for the processor clock measurement.
  virtual void RaiseToRealTime() = 0;
  // The calling (window) thread below normal, while a recording runs.
  virtual void LowerThreadBelowNormal() = 0;

  // --- files; relative names resolve in the current folder
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // A rename; fails (and changes nothing) when the target exists.
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Attribute bits in the Windows layout (read-only 0x01, hidden 0x02); -1 when not there.
  virtual int32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, int32_t attributes) = 0;
  // Deletes everything inside the folder; the folder stays.
  virtual void ClearFolder(const std::string& folder) = 0;
  // Bytes available to the caller on the volume whose root is given ("C:\"); 0 when the query fails.
  virtual uint64_t FreeBytes(const std::string& root) = 0;
  // The file's version resource; a bare name is found as the system's library search finds it.
  // False when the file or its version resource is missing.
  virtual bool FileVersion(const std::string& file, TFileVersion& version) = 0;
  // The whole file as bytes; false when it cannot be read.
  virtual bool ReadTextFile(const std::string& path, std::string& content) = 0;
  // The file's bytes handed to `piece` a piece at a time, until the end or until `piece` answers
  // false; false when the file cannot be read. A host that can read no other way hands the whole
  // file over as one piece.
  virtual bool ReadFilePieces(const std::string& path,
                              const std::function<bool(const char* data, std::size_t size)>& piece) {
    std::string content;
    if (!ReadTextFile(path, content)) return false;
    piece(content.data(), content.size());
    return true;
  }
  // Writes the bytes as a new file, replacing an older one; false on failure.
  virtual bool WriteTextFile(const std::string& path, const std::string& content) = 0;
  // One value of an ini file, as the platform's profile reading gives it ("" when missing).
  virtual std::string ReadIniString(const std::string& file, const std::string& section,
                                    const std::string& key) = 0;

  // --- registry, shell, other programs
  // The history key under the current user, or nullptr when it can be neither opened nor created.
  virtual std::unique_ptr<TRegistryKey> OpenHistoryKey() = 0;
  // The shell's "open" verb, shown normally, the desktop window as owner.
  virtual void ShellOpen(const std::string& target) = 0;
  // Asks every window titled "CD Player" to quit.
  virtual void CloseCdPlayer() = 0;

  // The text of a string resource id (src/res/texts.def).
  virtual std::string Text(unsigned id) = 0;
};

}  // namespace qx
