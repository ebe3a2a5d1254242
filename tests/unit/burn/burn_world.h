#pragma once
// A recording on fakes: the session controller over a recording view and a host that answers
// plainly, a recording library reached through the binding's loader, and a burn platform that runs
// the burn thread on the test's thread when the test says so and the progress worker on a real
// thread. The fake library hands each progress signal over and waits until the worker has taken
// it, so the bar's steps are the same in every run. Every call lands in one ordered event list.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "burn/burn_data_module.h"
#include "burn/burn_platform.h"
#include "fakes/event_log.h"
#include "fakes/library_fakes.h"
#include "recording/rwlib_binding.h"
#include "recording/track_list.h"
#include "res/texts.h"
#include "session/burn_seam.h"
#include "session/form_main.h"

namespace qx::burntest {

using TEvents = fakes::TEventLog;
using fakes::TFaultInLibrary;

class TRecordingView : public TSessionView {
public:
  explicit TRecordingView(TEvents& events) : Events(events) {}
  TFormMain* Form = nullptr;
  std::vector<std::string> Memo;
  std::map<TButtonId, std::string> Captions;
  std::map<TButtonId, bool> EnabledState{{TButtonId::ButtonLeft, true}, {TButtonId::ButtonRight, false}};
  TButtonId Focused = TButtonId::ButtonLeft;
  int Position = 0, Maximum = 100;
  std::string BarHint = "-";
  // The workers reach the view only through the platform's window calls, the test thread directly.
  std::recursive_mutex Lock;

  void AppendStatus(const std::string& item) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Events.Log("Memo:" + item);
    Memo.push_back(item);
    if (Form) Form->MemoStatusChange();
  }
  void SetCaption(TButtonId button, const std::string& caption) override { Captions[button] = caption; }
  std::string Caption(TButtonId button) override { return Captions[button]; }
  void SetEnabled(TButtonId button, bool enabled) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    Events.Log(std::string(button == TButtonId::ButtonLeft ? "Left" : "Right") + (enabled ? ":on" : ":off"));
    EnabledState[button] = enabled;
  }
  bool Enabled(TButtonId button) override { return EnabledState[button]; }
  void Focus(TButtonId button) override { Focused = button; }
  void SetHintShown(TButtonId, bool) override {}
  int Progress(TGaugeId gauge) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return gauge == TGaugeId::ProgressBar ? Position : 0;
  }
  void SetProgress(TGaugeId gauge, int value) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (gauge == TGaugeId::ProgressBar) Position = std::min(std::max(value, 0), Maximum);
  }
  int MaxValue(TGaugeId) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Maximum;
  }
  void SetMaxValue(TGaugeId gauge, int value) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    if (gauge == TGaugeId::ProgressBar) Maximum = value;
  }
  int PercentDone(TGaugeId gauge) override {
    std::lock_guard<std::recursive_mutex> guard(Lock);
    return Maximum ? Progress(gauge) * 100 / Maximum : 0;
  }
  std::string Hint(TGaugeId) override { return BarHint; }
  void SetHint(TGaugeId gauge, const std::string& hint) override {
    if (gauge == TGaugeId::ProgressBar) BarHint = hint;
  }
  void ShowWindow() override {}
  void Repaint() override {}
  void RequestClose() override {}

private:
  TEvents& Events;
};

class TPlainRegistryKey : public TRegistryKey {
public:
  explicit TPlainRegistryKey(std::map<std::string, std::string>& values) : Values(values) {}
  bool Read(const char* name, std::string& value) override {
    auto it = Values.find(name);
    if (it == Values.end()) return false;
    value = it->second;
    return true;
  }
  bool Write(const char* name, const std::string& value) override {
    Values[name] = value;
    return true;
  }

private:
  std::map<std::string, std::string>& Values;
};

// Answers what a recording asks of the host; everything else is inert.
class TPlainHost : public TSessionHost {
public:
  explicit TPlainHost(TEvents& events) : Events(events) {}
  std::map<std::string, std::string> Files;  // applet-folder files and their contents
  std::map<std::string, std::string> Registry;
  int ExitCode = -1000;

  void Delay(uint32_t) override {}
  void ProcessMessages() override { Events.Log("ProcessMessages"); }
  void Sleep(uint32_t) override {}
  bool Terminated() override { return false; }
  void Beep() override { Events.Log("Beep"); }
  void EndProcess(int exitCode) override {
    Events.Log("EndProcess:" + std::to_string(exitCode));
    ExitCode = exitCode;
  }
  bool IsNT() override { return true; }
  bool IsAdmin() override { return true; }
  bool IsOnline() override { return true; }
  bool IsSwitch(const std::string&) override { return false; }
  int32_t AppletSize() override { return 800000; }
  std::string AppletFileName() override { return "C:\\Burn\\Applet.exe"; }
  std::string AppPath(const std::string& name) override { return "C:\\Burn\\" + name; }
  std::string CurrentFolder() override { return "C:\\Burn\\"; }
  std::string SystemFolder() override { return "C:\\Windows\\System32\\"; }
  std::string WindowsFolder() override { return "C:\\Windows\\"; }
  std::string EnvironmentPath() override { return ""; }
  TMemoryStatus MemoryStatus() override { return {}; }
  uint64_t CycleCounter() override { return 0; }
  TPriorities Priorities() override { return {}; }
  void SetPriorities(const TPriorities&) override {}
  void RaiseToRealTime() override {}
  void LowerThreadBelowNormal() override {}
  bool FileExists(const std::string& path) override { return Files.count(path) != 0; }
  bool FolderExists(const std::string&) override { return true; }
  void ClearFolder(const std::string& folder) override { Events.Log("ClearFolder:" + folder); }
  bool DeleteFile(const std::string& path) override { return Files.erase(path) != 0; }
  bool RenameFile(const std::string&, const std::string&) override { return false; }
  int32_t GetAttributes(const std::string&) override { return -1; }
  bool SetAttributes(const std::string&, int32_t) override { return false; }
  uint64_t FreeBytes(const std::string&) override { return 1ull << 40; }
  bool FileVersion(const std::string&, TFileVersion&) override { return false; }
  bool ReadTextFile(const std::string& path, std::string& content) override {
    auto it = Files.find(path);
    if (it == Files.end()) return false;
    content = it->second;
    return true;
  }
  bool WriteTextFile(const std::string& path, const std::string& content) override {
    Files[path] = content;
    return true;
  }
  std::string ReadIniString(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  std::unique_ptr<TRegistryKey> OpenHistoryKey() override {
    return std::make_unique<TPlainRegistryKey>(Registry);
  }
  void ShellOpen(const std::string& target) override { Events.Log("ShellOpen:" + target); }
  void CloseCdPlayer() override {}
  std::string Text(unsigned id) override {
    const char* text = TextById(id);
    return text ? text : "?" + std::to_string(id);
  }

private:
  TEvents& Events;
};

// A manual-reset event; the fake library also waits until the worker has reset it.
class TFakeEvent : public TBurnEvent {
public:
  void Set() override {
    std::lock_guard<std::mutex> guard(Lock);
    Signalled = true;
    Changed.notify_all();
  }
  void Reset() override {
    std::lock_guard<std::mutex> guard(Lock);
    Signalled = false;
    ++Resets;
    Changed.notify_all();
  }
  void Wait() override {
    std::unique_lock<std::mutex> guard(Lock);
    ++WaitsEntered;
    Changed.notify_all();
    Changed.wait(guard, [this] { return Signalled; });
  }
  void** Handle() override { return &Self; }
  // Sets the event and waits until the worker has taken the signal, reset the event and come back
  // to wait for the next one.
  void SignalAndWaitTaken() {
    std::unique_lock<std::mutex> guard(Lock);
    const int before = Resets;
    Signalled = true;
    Changed.notify_all();
    Changed.wait(guard, [&] { return Resets > before && WaitsEntered > Resets; });
  }

private:
  std::mutex Lock;
  std::condition_variable Changed;
  bool Signalled = false;
  int Resets = 0;
  int WaitsEntered = 0;
  void* Self = this;
};

class TFakeBurnPlatform : public TBurnPlatform, public TBurnWindow {
public:
  TFakeBurnPlatform(TEvents& events, TRecordingView& view) : Events(events), View(view) {}
  std::set<std::string> Folders;
  bool ThreadStarts = true;
  std::function<void()> Execute, Finished;
  std::thread Worker;
  std::vector<std::string> Texts;
  std::vector<int> Percents;

  // The burn thread's turn: Execute, the worker's end, then the completion from the window thread.
  void RunBurnThread() {
    ASSERT_TRUE(Execute);
    auto execute = std::move(Execute);
    InsideExecute = true;
    execute();
    InsideExecute = false;
    if (Worker.joinable()) Worker.join();
    auto finished = std::move(Finished);
    finished();
  }

  bool StartBurnThread(std::function<void()> execute, std::function<void()> finished) override {
    Events.Log("StartBurnThread");
    if (!ThreadStarts) return false;
    Execute = std::move(execute);
    Finished = std::move(finished);
    return true;
  }
  std::unique_ptr<TBurnEvent> CreateProgressEvent() override { return std::make_unique<TFakeEvent>(); }
  void RestoreNormalClass() override { Events.Log("NormalClass"); }
  // The burn thread runs on the test's thread: while its Execute is on the stack, no wait can see
  // it end.
  bool InsideExecute = false;
  bool WaitBurnThreadEnded(uint32_t milliseconds) override {
    Events.Log("WaitBurnThread:" + std::to_string(milliseconds));
    return !InsideExecute;
  }
  TBurnWindow& StatusWindow() override { return *this; }
  void RaiseWritePriorities() override { Events.Log("HighClass"); }
  bool StartProgressWorker(std::function<void()> body) override {
    Events.Log("StartProgressWorker");
    Worker = std::thread(std::move(body));
    return true;
  }
  void Sleep(uint32_t milliseconds) override {
    if (milliseconds >= 100) Events.Log("Sleep:" + std::to_string(milliseconds));
    std::this_thread::yield();
  }
  void YieldTimeSlice() override {}
  bool FolderExists(const std::string& path) override { return Folders.count(path) != 0; }
  std::string ShortDate() override { return "12/08/2026"; }

  // The window's handling of the two messages, serialised as the window thread serialises them.
  void SendText(const std::string& text) override {
    std::lock_guard<std::mutex> guard(WindowLock);
    Texts.push_back(text);
    View.AppendStatus(text);
  }
  void SendProgress(int position, int maximum) override {
    std::lock_guard<std::mutex> guard(WindowLock);
    Events.Log("Progress:" + std::to_string(position) + "/" + std::to_string(maximum));
    Percents.push_back(position);
    View.SetProgress(TGaugeId::ProgressBar, position);
    View.SetMaxValue(TGaugeId::ProgressBar, maximum);
  }
  void Synchronize(const std::function<void()>& call) override {
    std::lock_guard<std::mutex> guard(WindowLock);
    Events.Log("Synchronize");
    call();
  }

private:
  TEvents& Events;
  TRecordingView& View;
  std::mutex WindowLock;
};

// What the fake library answers and what it saw.
struct TLibraryScript {
  int32_t BurnProof = 1;
  int32_t SpeedResult = 1;
  int32_t SetSpeedResult = 1;
  uint16_t Speeds[4] = {7056, 1764, 7056, 8448};
  int Signals = 3;  // progress signals the write gives
  int32_t WriteResult = 1;
  bool AbortFaults = false;
  std::function<void()> DuringWrite;  // runs after the first signal, as if on the window thread
  // Seen by the write call.
  TTrackList Written{};
  std::string VolumeName;
  int32_t Interval = 0, TestFlag = 0;
  int Writes = 0;
  bool Aborted = false;
};

// The world's library is a process-wide script because the entry points are plain functions.
inline TLibraryScript& Script() {
  static TLibraryScript script;
  return script;
}
inline TEvents*& LibraryEvents() {
  static TEvents* events = nullptr;
  return events;
}

inline int32_t QX_RWLIB_CALL FakeBurnProof(int32_t mode) {
  LibraryEvents()->Log("Lib:BurnProofControl:" + std::to_string(mode));
  return Script().BurnProof;
}
inline int32_t QX_RWLIB_CALL FakeGetSpeeds(uint16_t* a, uint16_t* b, uint16_t* c, uint16_t* d) {
  LibraryEvents()->Log("Lib:GetCdSpeeds");
  if (Script().SpeedResult != 1) return Script().SpeedResult;
  *a = Script().Speeds[0], *b = Script().Speeds[1], *c = Script().Speeds[2], *d = Script().Speeds[3];
  return 1;
}
inline int32_t QX_RWLIB_CALL FakeSetSpeeds(uint16_t first, uint16_t speed) {
  LibraryEvents()->Log("Lib:SetCdSpeeds:" + std::to_string(first) + ":" + std::to_string(speed));
  if (Script().SetSpeedResult != 1) return Script().SetSpeedResult;
  uint16_t* speeds = Script().Speeds;
  speeds[1] = speed == 0 || speed > speeds[3] ? speeds[3] : speed;
  return 1;
}
inline int32_t QX_RWLIB_CALL FakeUnload() {
  LibraryEvents()->Log("Lib:Unload");
  return 1;
}
inline int32_t QX_RWLIB_CALL FakeAbortWrite() {
  LibraryEvents()->Log("Lib:AbortWrite");
  Script().Aborted = true;
  if (Script().AbortFaults) throw TFaultInLibrary{};
  return 1;
}
inline int32_t QX_RWLIB_CALL FakeWrite(TTrackList* list, const char* volume, int32_t interval, void** event,
                                       int32_t testFlag) {
  TLibraryScript& s = Script();
  LibraryEvents()->Log("Lib:WriteCdDataTaoPerList");
  ++s.Writes;
  s.Written = *list;
  s.VolumeName = volume;
  s.Interval = interval;
  s.TestFlag = testFlag;
  auto* progress = static_cast<TFakeEvent*>(*event);
  for (int i = 0; i < s.Signals && !s.Aborted; ++i) {
    progress->SignalAndWaitTaken();
    if (i == 0 && s.DuringWrite) s.DuringWrite();
  }
  return s.Aborted ? rwlib::rcTerminated : s.WriteResult;
}

// The fake library's exports, as the loader hands them to the binding.
inline std::map<std::string, TLibraryProc> BurnExports() {
  return {
      {"BurnProofControl", reinterpret_cast<TLibraryProc>(&FakeBurnProof)},
      {"GetCdSpeeds", reinterpret_cast<TLibraryProc>(&FakeGetSpeeds)},
      {"SetCdSpeeds", reinterpret_cast<TLibraryProc>(&FakeSetSpeeds)},
      {"Unload", reinterpret_cast<TLibraryProc>(&FakeUnload)},
      {"AbortWrite", reinterpret_cast<TLibraryProc>(&FakeAbortWrite)},
      {"WriteCdDataTaoPerList", reinterpret_cast<TLibraryProc>(&FakeWrite)},
  };
}

class TCountingCleanup : public TCleanup {
public:
  explicit TCountingCleanup(TEvents& events) : Events(events) {}
  void Cleanup(bool cleanAspi, bool deleteApplet, bool) override {
    Events.Log(std::string("Cleanup:") + (cleanAspi ? "1" : "0") + (deleteApplet ? "1" : "0"));
  }

private:
  TEvents& Events;
};

class TCapturingReports : public TReports {
public:
  explicit TCapturingReports(TEvents& events) : Events(events) {}
  void OpenResultsPage(const TResultsReport& session) override {
    Events.Log("Results:" + session.SuccText + session.FailText);
  }
  void OpenHelpPage() override {}
  void OpenAspiHelpPage() override {}
  void OpenCoverSheet() override { Events.Log("CoverSheet"); }

private:
  TEvents& Events;
};

// One session at the point where the checks have passed and the recording starts.
struct TBurnWorld {
  TEvents Events;
  TRecordingView View{Events};
  TPlainHost Host{Events};
  fakes::TFakeLoader Loader;
  fakes::TTableTexts Texts;
  TRwLibBinding Library{Loader, Texts};
  TFakeBurnPlatform Platform{Events, View};
  TSessionBurnHost BurnHost{View, Host};
  TBurnDataModule Burn{BurnHost, Library, Platform};
  TCountingCleanup Cleaner{Events};
  TCapturingReports Reports{Events};
  TFormMain Form{TSessionContext{View, Host, Library, Burn, Cleaner, Reports, nullptr}};

  static constexpr const char* kProject = "C:\\Projects\\Summer";

  TBurnWorld() {
    Script() = TLibraryScript{};
    LibraryEvents() = &Events;
    Loader.Exports = BurnExports();
    Loader.OnlyName = "RwLib.dll";
    Loader.OnFree = [this] { Events.Log("Lib:Free"); };
    View.Form = &Form;
    Library.BindRecordingLibrary();
    Platform.Folders.insert(kProject);
    Form.History.LastFolderPath = kProject;
    Form.History.LastFolderSize = 2048 * 180;
    Form.History.LastVolName = "SUMMER2026";
    Form.History.LastDiscNumber = "1042";
    Form.VolumeTitle = "Summer Holiday 2026";
    Form.CpuSpeed = 1000;
    Form.MemoryFactor = 4;
    Form.MediaType = 1;
    Form.WriteMethod = wmTrackAtOnce;
    Form.SetStep(stBusy);
    Form.BuildHistoryTexts();
    Host.Files[Host.AppPath("CoverSheet.htm")] =
        "<html>\n[TRACKS AND TAGS]\n1=Holiday photos\n[END]\n</html>\n";
  }
  ~TBurnWorld() {
    if (Platform.Worker.joinable()) Platform.Worker.join();
    LibraryEvents() = nullptr;
  }

  // StartBurn as StartRecording asks for it: the session's request and its completion handler.
  bool Start() {
    return Burn.StartBurn(Form.BurnRequest(),
                          [this](const TBurnOutcome& outcome) { Form.RecordingFinished(outcome); });
  }
  // The start, then the thread's run and the completion.
  void Record() {
    ASSERT_TRUE(Start());
    Platform.RunBurnThread();
  }
  bool MemoHas(const std::string& item) const {
    for (const std::string& m : View.Memo)
      if (m == item) return true;
    return false;
  }
  std::string Text(unsigned id) { return Host.Text(id); }
};

}  // namespace qx::burntest
