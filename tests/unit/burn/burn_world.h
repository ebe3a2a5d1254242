#pragma once
// A recording on the shared fakes (view, host, library, end seams, one event log): the session
// controller and the burn data module over a burn platform that runs the burn thread on the
// test's thread when the test says so and the progress worker on a real thread. The fake library
// hands each progress signal over and waits until the worker has taken it, so the bar's steps are
// the same in every run. Every call lands in the one event log.
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
#include "fakes/fake_host.h"
#include "fakes/fake_library.h"
#include "fakes/fake_loader.h"
#include "fakes/fake_seams.h"
#include "fakes/fake_view.h"
#include "recording/rwlib_binding.h"
#include "recording/track_list.h"
#include "res/texts.h"
#include "session/burn_seam.h"
#include "session/form_main.h"

namespace qx::burntest {

using TEvents = fakes::TEventLog;
using fakes::TFakeCleanup;
using fakes::TFakeHost;
using fakes::TFakeLibrary;
using fakes::TFakeReports;
using fakes::TFakeView;
using fakes::TFaultInLibrary;

class TFakeBurnPlatform : public TBurnPlatform, public TBurnWindow {
public:
  TFakeBurnPlatform(TEvents& events, TFakeView& view) : Events(events), View(view) {}
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
  std::unique_ptr<TBurnEvent> CreateProgressEvent() override { return std::make_unique<fakes::TFakeEvent>(); }
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
  TFakeView& View;
  std::mutex WindowLock;
};

// One session at the point where the checks have passed and the recording starts.
struct TBurnWorld {
  TEvents Events;
  TFakeView View{Events};
  TFakeHost Host{Events};
  TFakeLibrary Library;
  fakes::TLibraryInUse LibraryInUse{Library};
  fakes::TFakeLoader Loader;
  fakes::TTableTexts Texts;
  TRwLibBinding Binding{Loader, Texts};
  TFakeBurnPlatform Platform{Events, View};
  TSessionBurnHost BurnHost{View, Host};
  TBurnDataModule Burn{BurnHost, Binding, Platform};
  TFakeCleanup Cleaner{Events};
  TFakeReports Reports{Events};
  TFormMain Form{TSessionContext{View, Host, Binding, Burn, Cleaner, Reports, nullptr}};

  static constexpr const char* kProject = "C:\\Projects\\Summer";

  TBurnWorld() {
    Library.Log = &Events;
    Loader.Exports = fakes::ExportTable(
        {"BurnProofControl", "GetCdSpeeds", "SetCdSpeeds", "Unload", "AbortWrite", "WriteCdDataTaoPerList"});
    Loader.OnlyName = "RwLib.dll";
    Loader.OnFree = [this] { Events.Log("Lib:Free"); };
    View.Form = &Form;
    Host.Form = &Form;
    // The recording's right button waits for the worker; the results page needs a connection.
    View.EnabledState[TButtonId::ButtonRight] = false;
    Host.Online = true;
    Host.EndStopsEveryCall = false;
    Binding.BindRecordingLibrary();
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
    Host.PutTextFile(Host.AppPath("CoverSheet.htm"),
                     "<html>\n[TRACKS AND TAGS]\n1=Holiday photos\n[END]\n</html>\n");
  }
  ~TBurnWorld() {
    if (Platform.Worker.joinable()) Platform.Worker.join();
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
  bool MemoHas(const std::string& item) { return View.MemoHas(item); }
  // Whether a results page was opened with these success and failure texts.
  bool ResultsPageOpenedWith(const std::string& texts) const {
    for (const TResultsReport& page : Reports.ResultsPages)
      if (page.SuccText + page.FailText == texts) return true;
    return false;
  }
  std::string Text(unsigned id) { return Host.Text(id); }
};

}  // namespace qx::burntest
