#pragma once
// The machine under the session in a test: a virtual clock whose waits deliver scripted presses
// (so handlers run nested inside a wait, as on Windows), switches, folders and files with their
// attributes, versions and contents, the history key, the shell and the program's texts. The
// calls a test checks the order of land in the event log; a call after the process has ended fails
// the test.
#include <functional>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "fakes/fake_view.h"
#include "res/texts.h"
#include "session/form_main.h"

namespace qx::fakes {

class TFakeRegistryKey : public TRegistryKey {
public:
  TFakeRegistryKey(std::map<std::string, std::string>& values, TEventLog& log)
      : Values(values), Events(log) {}
  bool Read(const char* name, std::string& value) override {
    auto it = Values.find(name);
    if (it == Values.end()) return false;
    value = it->second;
    return true;
  }
  bool Write(const char* name, const std::string& value) override {
    Events.Log(std::string("Reg:") + name + "=" + value);
    Values[name] = value;
    return true;
  }

private:
  std::map<std::string, std::string>& Values;
  TEventLog& Events;
};

// A press of a button, or a message from outside the session (a quit, the system's log-off
// query...) that the window hands to the controller: `Call` set.
struct TPress {
  uint64_t At;
  TButtonId Button;
  std::string Outside = std::string();
  std::function<void()> Call = nullptr;
};

// A processor without a cycle counter.
struct TNoCycleCounter : std::runtime_error {
  TNoCycleCounter() : std::runtime_error("no cycle counter") {}
};

class TFakeHost : public TSessionHost {
public:
  explicit TFakeHost(TEventLog& log) : Events(log) {}
  TFormMain* Form = nullptr;

  // --- the virtual clock and the scripted presses
  uint64_t Now = 0;
  std::vector<TPress> Presses;  // delivered in time order by the message processing
  uint64_t TerminateAt = UINT64_MAX;
  int DelaysAfterTermination = 0;

  void PressAt(uint64_t at, TButtonId button) { Schedule({at, button}); }
  // A message from outside, delivered by the message processing like a press.
  void OutsideAt(uint64_t at, const std::string& name, std::function<void()> call) {
    Schedule({at, TButtonId::ButtonRight, name, std::move(call)});
  }
  // A quit message: the application object hands it to the controller and, should that return,
  // marks itself terminating (every later wait returns at once), as the Win32 one does.
  void QuitAt(uint64_t at) {
    OutsideAt(at, "Quit", [this] {
      Form->ApplicationTerminate();
      TerminateAt = Now;
    });
  }

  void Delay(uint32_t milliseconds) override {
    if (milliseconds == 0) return;
    if (Terminated()) {
      // Like the real wait: back at once, nothing processed. A loop that keeps waiting here
      // would never end; stop it as a failure instead of hanging the test run.
      if (++DelaysAfterTermination > 10000) throw std::logic_error("wait loop spins after termination");
      return;
    }
    const uint64_t end = Now + milliseconds;
    DeliverUntil(end);
    Now = std::max(Now, end);
  }
  void ProcessMessages() override { DeliverUntil(Now); }
  void Sleep(uint32_t milliseconds) override {
    if (milliseconds) Events.Log("Sleep:" + std::to_string(milliseconds));
    Now += milliseconds;
  }
  bool Terminated() override { return Now >= TerminateAt; }
  void Beep() override { Events.Log("Beep"); }
  void EndProcess(int exitCode) override {
    Events.Log("EndProcess:" + std::to_string(exitCode));
    ExitCode = exitCode;
    if (EndStopsEveryCall) Events.ProcessEnded = true;
  }
  std::optional<int> ExitCode;
  // The real end stops every thread of the process; a fake cannot stop a running worker thread, so
  // a world with one turns this off and checks what the end leaves running itself.
  bool EndStopsEveryCall = true;

  // --- the machine
  bool NT = true, Admin = true, Online = false;
  std::set<std::string> Switches;
  int32_t Size = 1000000;
  bool IsNT() override { return NT; }
  bool IsAdmin() override { return Admin; }
  bool IsOnline() override { return Online; }
  bool IsSwitch(const std::string& text) override { return Switches.count(text) > 0; }
  int32_t AppletSize() override { return Size; }
  std::string AppletFileName() override { return Folder + "Applet.exe"; }
  std::string AppPath(const std::string& name) override {
    return name.rfind(Folder, 0) == 0 ? name : Folder + name;
  }
  std::string Folder = "C:\\Applet\\";
  std::string SystemDir = "C:\\WINDOWS\\SYSTEM32\\", WindowsDir = "C:\\WINDOWS\\";
  std::string Path;
  std::string CurrentFolder() override { return Folder; }
  std::string SystemFolder() override { return SystemDir; }
  std::string WindowsFolder() override { return WindowsDir; }
  std::string EnvironmentPath() override { return Path; }

  TMemoryStatus Memory{64u << 20, 256u << 20};
  TMemoryStatus MemoryStatus() override { return Memory; }
  std::vector<uint64_t> Cycles{1000, 1000 + 500000000ull};  // 1000 MHz
  bool CycleCounterRaises = false;
  uint64_t CycleCounter() override {
    Events.Log("CycleCounter");
    if (CycleCounterRaises) throw TNoCycleCounter();
    const uint64_t value = Cycles.at(CycleReads++);
    return value;
  }
  TPriorities Current{32, 0};
  TPriorities Priorities() override { return Current; }
  void SetPriorities(const TPriorities& p) override {
    Events.Log("SetPriorities:" + std::to_string(p.ProcessClass) + "," + std::to_string(p.Thread));
    Current = p;
  }
  void RaiseToRealTime() override {
    Events.Log("RaiseToRealTime");
    Current = {256, 15};
  }
  void LowerThreadBelowNormal() override { Events.Log("LowerThreadBelowNormal"); }

  // --- files: path -> attributes
  std::map<std::string, int32_t> Files;
  std::map<std::string, TFileVersion> Versions;  // by the name the caller passes
  std::map<std::string, uint64_t> Free{{"C:\\", 1ull << 40}};
  std::map<std::pair<std::string, std::string>, std::string> Ini;  // (section, key) of qxorig.qx

  void AddFile(const std::string& path) { Files[path] = 0; }
  // A file with its content, as ReadTextFile gives it.
  void PutTextFile(const std::string& path, const std::string& content) {
    Files[path] = 0;
    TextFiles[path] = content;
  }
  void RemoveFile(const std::string& path) {
    Files.erase(path);
    TextFiles.erase(path);
  }
  bool FileExists(const std::string& path) override { return Files.count(path) > 0; }
  bool FolderExists(const std::string&) override { return true; }
  void ClearFolder(const std::string& folder) override { Events.Log("ClearFolder:" + folder); }
  bool DeleteFile(const std::string& path) override {
    Events.Log("Delete:" + path);
    return Files.erase(path) > 0;
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    Events.Log("Rename:" + from + ">" + to);
    if (!Files.count(from) || Files.count(to)) return false;
    Files[to] = Files[from];
    Files.erase(from);
    return true;
  }
  int32_t GetAttributes(const std::string& path) override {
    auto it = Files.find(path);
    return it == Files.end() ? -1 : it->second;
  }
  bool SetAttributes(const std::string& path, int32_t attributes) override {
    Events.Log("SetAttributes:" + path + "=" + std::to_string(attributes));
    if (!Files.count(path)) return false;
    Files[path] = attributes;
    return true;
  }
  uint64_t FreeBytes(const std::string& root) override {
    Events.Log("FreeBytes:" + root);
    auto it = Free.find(root);
    return it == Free.end() ? 0 : it->second;
  }
  bool FileVersion(const std::string& file, TFileVersion& version) override {
    auto it = Versions.find(file);
    if (it == Versions.end()) return false;
    version = it->second;
    return true;
  }
  std::map<std::string, std::string> TextFiles;  // path -> content
  bool ReadTextFile(const std::string& path, std::string& content) override {
    auto it = TextFiles.find(path);
    if (it == TextFiles.end()) return false;
    content = it->second;
    return true;
  }
  bool WriteTextFile(const std::string& path, const std::string& content) override {
    Events.Log("Write:" + path);
    TextFiles[path] = content;
    Files[path] = 0;
    return true;
  }
  std::string ReadIniString(const std::string& file, const std::string& section,
                            const std::string& key) override {
    if (file != Folder + "qxorig.qx") return "";
    auto it = Ini.find({section, key});
    return it == Ini.end() ? "" : it->second;
  }

  // --- registry, shell
  bool KeyAvailable = true;
  std::map<std::string, std::string> Registry;
  std::unique_ptr<TRegistryKey> OpenHistoryKey() override {
    if (!KeyAvailable) return nullptr;
    return std::make_unique<TFakeRegistryKey>(Registry, Events);
  }
  void ShellOpen(const std::string& target) override { Events.Log("ShellOpen:" + target); }
  void CloseCdPlayer() override { Events.Log("CloseCdPlayer"); }
  std::string Text(unsigned id) override {
    const char* text = TextById(id);
    return text ? text : "";
  }

private:
  void Schedule(TPress press) {
    Presses.push_back(std::move(press));
    std::stable_sort(Presses.begin(), Presses.end(),
                     [](const TPress& a, const TPress& b) { return a.At < b.At; });
  }
  void DeliverUntil(uint64_t end) {
    while (!Presses.empty() && Presses.front().At <= end && !Events.ProcessEnded) {
      const TPress press = Presses.front();
      Presses.erase(Presses.begin());
      Now = std::max(Now, press.At);
      if (press.Call) {
        Events.Log("Outside:" + press.Outside);
        press.Call();
        continue;
      }
      Events.Log(std::string("Press:") + TFakeView::Name(press.Button));
      Form->ButtonClick(press.Button);
    }
  }

  TEventLog& Events;
  std::size_t CycleReads = 0;
};

}  // namespace qx::fakes
