#pragma once
// A whole session on fakes: a view that records what the window shows, a host with a virtual
// clock whose waits deliver scripted presses (so handlers run nested inside a wait, as on
// Windows), a recording library answered per test through the binding's loader, and the seams.
// Every call lands in one event list, so tests check the order across all of them; a call after
// the process has ended fails the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "fakes/library_fakes.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/form_main.h"

namespace qx::test {

using fakes::TEventLog;
using fakes::TTableTexts;

class TFakeView : public TSessionView {
public:
  explicit TFakeView(TEventLog& log) : Events(log) {}
  TFormMain* Form = nullptr;

  std::vector<std::string> Memo;
  std::map<TButtonId, std::string> Captions;
  std::map<TButtonId, bool> EnabledState{{TButtonId::ButtonLeft, true}, {TButtonId::ButtonRight, true}};
  std::map<TButtonId, bool> HintShown{{TButtonId::ButtonLeft, true}, {TButtonId::ButtonRight, true}};
  std::optional<TButtonId> Focused;
  std::map<TGaugeId, int> Position{{TGaugeId::ProgressBarLeft, 0}, {TGaugeId::ProgressBar, 0}};
  std::map<TGaugeId, int> Maximum{{TGaugeId::ProgressBarLeft, 100}, {TGaugeId::ProgressBar, 100}};
  std::map<TGaugeId, std::string> Hints;
  std::vector<bool> CloseAnswers;  // what FormClose answered to each close request

  static const char* Name(TButtonId b) { return b == TButtonId::ButtonLeft ? "Left" : "Right"; }

  void AppendStatus(const std::string& item) override {
    Events.Log("Memo:" + item);
    Memo.push_back(item);
    if (Form) Form->MemoStatusChange();
  }
  void SetCaption(TButtonId button, const std::string& caption) override {
    Events.Log(std::string("Caption:") + Name(button) + ":" + caption);
    Captions[button] = caption;
  }
  std::string Caption(TButtonId button) override { return Captions[button]; }
  void SetEnabled(TButtonId button, bool enabled) override {
    if (button == TButtonId::ButtonRight) Events.Log(std::string("Enabled:Right:") + (enabled ? "1" : "0"));
    EnabledState[button] = enabled;
  }
  bool Enabled(TButtonId button) override { return EnabledState[button]; }
  void Focus(TButtonId button) override { Focused = button; }
  void SetHintShown(TButtonId button, bool shown) override { HintShown[button] = shown; }
  int Progress(TGaugeId gauge) override { return Position[gauge]; }
  void SetProgress(TGaugeId gauge, int value) override {
    Position[gauge] = std::clamp(value, 0, Maximum[gauge]);
  }
  int MaxValue(TGaugeId gauge) override { return Maximum[gauge]; }
  void SetMaxValue(TGaugeId gauge, int value) override { Maximum[gauge] = value; }
  int PercentDone(TGaugeId gauge) override {
    return Maximum[gauge] ? Position[gauge] * 100 / Maximum[gauge] : 0;
  }
  std::string Hint(TGaugeId gauge) override { return Hints[gauge]; }
  void SetHint(TGaugeId gauge, const std::string& hint) override { Hints[gauge] = hint; }
  void ShowWindow() override { Events.Log("ShowWindow"); }
  void Repaint() override { Events.Log("Repaint"); }
  void RequestClose() override {
    Events.Log("RequestClose");
    CloseAnswers.push_back(Form ? Form->FormClose(false) : false);
  }
  std::string ShutdownBlockReason;
  void SetShutdownBlockReason(const std::string& reason) override {
    Events.Log("ShutdownBlock:" + reason);
    ShutdownBlockReason = reason;
  }

private:
  TEventLog& Events;
};

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
    Events.ProcessEnded = true;
  }
  std::optional<int> ExitCode;

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

// The recording library's answers, per test. The binding calls the trampolines below through the
// loader, exactly as it calls the real library's exports.
struct TFakeLibrary {
  std::function<int32_t(int32_t adapter, int32_t target)> Start = [](int32_t a, int32_t t) {
    return a == 0 && t == 0 ? 1 : 23;
  };
  std::function<int32_t(int32_t mode)> BlankDisc = [](int32_t) { return 1; };
  struct TDisc {
    int32_t Answer = 1, Blank = 1, Erasable = 0, Ready = 1, Media = 1;
  };
  // One answer per call; the last one repeats.
  std::vector<TDisc> Discs{TDisc{}};
  std::vector<int32_t> ReadyAnswers{1};
  int32_t LoadAnswer = 1, UnloadAnswer = 1;
  int32_t VendorAnswer = 1;
  std::string Vendor = "ACME", Product = "Burner 52x";
  int32_t ModesAnswer = 1, Tao = 1, Flag2 = 0, Flag3 = 0;
  std::vector<int32_t> StartFactors;  // memory factor of every Start call
  std::vector<int32_t> StartValues;

  TEventLog* Log = nullptr;
  std::size_t DiscCalls = 0, ReadyCalls = 0;
  void Note(const std::string& name) { Log->Log("Lib:" + name); }
};

inline TFakeLibrary*& CurrentLibrary() {
  static TFakeLibrary* library = nullptr;
  return library;
}

// The exports of the fake library: each notes its call and answers as the test set it up.
namespace exports {
inline TFakeLibrary& L() { return *CurrentLibrary(); }

inline int32_t QX_RWLIB_CALL Start(int32_t adapter, int32_t target, uint8_t, uint8_t factor, int32_t value) {
  const int32_t answer = L().Start(adapter, target);
  if (answer == 1 || (adapter == 7 && target == 7)) {
    L().Note("Start");
    L().StartFactors.push_back(factor);
    L().StartValues.push_back(value);
  }
  return answer;
}
inline int32_t QX_RWLIB_CALL BlankDisc(int32_t mode) {
  L().Note("BlankDisc:" + std::to_string(mode));
  return L().BlankDisc(mode);
}
inline int32_t QX_RWLIB_CALL GetDiscInfo(int32_t* blank, int32_t* second, int32_t* erasable, int32_t* ready,
                                         int32_t* media) {
  L().Note("GetDiscInfo");
  const auto& discs = L().Discs;
  const TFakeLibrary::TDisc& d = discs[std::min(L().DiscCalls++, discs.size() - 1)];
  *blank = d.Blank, *second = 0, *erasable = d.Erasable, *ready = d.Ready, *media = d.Media;
  return d.Answer;
}
inline int32_t QX_RWLIB_CALL Unload() {
  L().Note("Unload");
  return L().UnloadAnswer;
}
inline int32_t QX_RWLIB_CALL Load() {
  L().Note("Load");
  return L().LoadAnswer;
}
inline int32_t QX_RWLIB_CALL IsDeviceReadyEx() {
  L().Note("IsDeviceReadyEx");
  const auto& answers = L().ReadyAnswers;
  return answers[std::min(L().ReadyCalls++, answers.size() - 1)];
}
inline int32_t QX_RWLIB_CALL GetVendorProductStrings(char* vendor, char* product) {
  L().Note("GetVendorProductStrings");
  std::snprintf(vendor, rwlib::kTextBufferSize, "%s", L().Vendor.c_str());
  std::snprintf(product, rwlib::kTextBufferSize, "%s", L().Product.c_str());
  return L().VendorAnswer;
}
inline int32_t QX_RWLIB_CALL GetSupportedWriteModes(int32_t* tao, int32_t* flag2, int32_t* flag3) {
  L().Note("GetSupportedWriteModes");
  *tao = L().Tao, *flag2 = L().Flag2, *flag3 = L().Flag3;
  return L().ModesAnswer;
}
}  // namespace exports

// The fake library's export table, as the loader hands it to the binding.
inline std::map<std::string, TLibraryProc> ExportTable() {
  return {
      {"Start", reinterpret_cast<TLibraryProc>(&exports::Start)},
      {"BlankDisc", reinterpret_cast<TLibraryProc>(&exports::BlankDisc)},
      {"GetDiscInfo", reinterpret_cast<TLibraryProc>(&exports::GetDiscInfo)},
      {"Unload", reinterpret_cast<TLibraryProc>(&exports::Unload)},
      {"Load", reinterpret_cast<TLibraryProc>(&exports::Load)},
      {"IsDeviceReadyEx", reinterpret_cast<TLibraryProc>(&exports::IsDeviceReadyEx)},
      {"GetVendorProductStrings", reinterpret_cast<TLibraryProc>(&exports::GetVendorProductStrings)},
      {"GetSupportedWriteModes", reinterpret_cast<TLibraryProc>(&exports::GetSupportedWriteModes)},
  };
}

class TFakeBurn : public TBurnControl {
public:
  explicit TFakeBurn(TEventLog& log) : Events(log) {}
  bool Starts = false;  // the recording's own issue is not here yet: no worker starts
  bool Running = false;
  std::vector<bool> TestModes;
  bool StartBurn(const TBurnRequest& request, TRecordingFinished finished) override {
    TestModes.push_back(request.TestMode);
    Events.Log("StartBurn:" + std::to_string(request.WriteMethod));
    Running = Starts;
    if (Starts) Finished = std::move(finished);
    return Starts;
  }
  bool BurnRunning() override { return Running; }
  TBurnOutcome AbortBurn() override {
    Events.Log("AbortBurn");
    Running = false;
    Finished = nullptr;
    return TBurnOutcome{};
  }
  // The worker's end as the burn data module reports it to the session.
  void Finish(const TBurnOutcome& outcome) {
    Running = false;
    TRecordingFinished finished = std::move(Finished);
    if (finished) finished(outcome);
  }
  TRecordingFinished Finished;
  void ReleaseDrive() override { Events.Log("ReleaseDrive"); }

private:
  TEventLog& Events;
};

class TFakeCleanup : public TCleanup {
public:
  explicit TFakeCleanup(TEventLog& log) : Events(log) {}
  void Cleanup(bool cleanAspi, bool deleteApplet, bool) override {
    Events.Log(std::string("Cleanup:") + (cleanAspi ? "1" : "0") + "," + (deleteApplet ? "1" : "0"));
  }

private:
  TEventLog& Events;
};

class TFakeReports : public TReports {
public:
  explicit TFakeReports(TEventLog& log) : Events(log) {}
  void OpenResultsPage(const TResultsReport&) override { Events.Log("OpenResultsPage"); }
  void OpenHelpPage() override { Events.Log("OpenHelpPage"); }
  void OpenAspiHelpPage() override { Events.Log("OpenAspiHelpPage"); }
  void OpenCoverSheet() override { Events.Log("OpenCoverSheet"); }

private:
  TEventLog& Events;
};

class TFakePayload : public TPayloadControl {
public:
  TFakePayload(TEventLog& log, TFakeHost& host) : Events(log), Host(host) {}
  bool Maintenance = false, Unpacks = true, Extracts = true;
  bool RunMaintenanceMode() override { return Maintenance; }
  void DetachProgress() override { Events.Log("DetachProgress"); }
  bool UnpackSupportFiles() override {
    Events.Log("UnpackSupportFiles");
    return Unpacks;
  }
  bool ExtractOne(const std::string& name) override {
    Events.Log("ExtractOne:" + name);
    if (Extracts) Host.AddFile(Host.Folder + name);
    return Extracts;
  }

private:
  TEventLog& Events;
  TFakeHost& Host;
};

// Everything a session needs, set up so that every check passes and a recording starts.
struct TSessionWorld {
  TEventLog Log;
  TFakeView View{Log};
  TFakeHost Host{Log};
  TFakeLibrary Library;
  fakes::TFakeLoader Loader;
  TTableTexts Texts;
  TRwLibBinding Binding{Loader, Texts};
  TFakeBurn Burn{Log};
  TFakeCleanup Cleaner{Log};
  TFakeReports Reports{Log};
  TFakePayload Payload{Log, Host};
  std::unique_ptr<TFormMain> Form;

  TSessionWorld() {
    Library.Log = &Log;
    CurrentLibrary() = &Library;
    Loader.Exports = ExportTable();
    Loader.OnlyName = "RwLib.dll";
    Host.AddFile("C:\\Applet\\qxorig.qx");
    Host.AddFile("C:\\Applet\\W2kXP03.qx");
    Host.AddFile("C:\\Applet\\qxi9cd.qx");
    Host.Registry["LastFolderPath"] = "C:\\Project";
    Form =
        std::make_unique<TFormMain>(TSessionContext{View, Host, Binding, Burn, Cleaner, Reports, &Payload});
    View.Form = Form.get();
    Host.Form = Form.get();
  }
  ~TSessionWorld() { CurrentLibrary() = nullptr; }

  // Creation and the first activation: the whole chain runs, with the presses scripted so far.
  void Run() {
    Form->FormCreate(false);
    Form->ApplicationActivate();
  }
  // A press after the chain has come to rest.
  void Press(TButtonId button) {
    Log.Log(std::string("Press:") + TFakeView::Name(button));
    Form->ButtonClick(button);
  }
  std::string RightCaption() { return View.Captions[TButtonId::ButtonRight]; }
  bool MemoHas(const std::string& item) const {
    return std::find(View.Memo.begin(), View.Memo.end(), item) != View.Memo.end();
  }
};

}  // namespace qx::test
