#pragma once
// A whole session on the shared fakes (view, host, library, end seams, one event log) and the
// session's own seams: the recording's start and the payload. Every call lands in the one event
// log, so tests check the order across all of them; a call after the process has ended fails the
// test.
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
#include "fakes/fake_host.h"
#include "fakes/fake_library.h"
#include "fakes/fake_loader.h"
#include "fakes/fake_seams.h"
#include "fakes/fake_view.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/form_main.h"

namespace qx::test {

using fakes::TEventLog;
using fakes::TFakeCleanup;
using fakes::TFakeHost;
using fakes::TFakeLibrary;
using fakes::TFakeReports;
using fakes::TFakeView;
using fakes::TNoCycleCounter;
using fakes::TTableTexts;

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
  fakes::TLibraryInUse LibraryInUse{Library};
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
    Loader.Exports =
        fakes::ExportTable({"Start", "BlankDisc", "GetDiscInfo", "Unload", "Load", "IsDeviceReadyEx",
                            "GetVendorProductStrings", "GetSupportedWriteModes"});
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
  bool MemoHas(const std::string& item) { return View.MemoHas(item); }
};

}  // namespace qx::test
