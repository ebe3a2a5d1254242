#pragma once
// The session's end seams in a test: the clean-up and the reports note each call in the event log;
// the reports also keep the values every results page was opened with.
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "session/results_address.h"
#include "session/session_seams.h"

namespace qx::fakes {

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
  std::vector<TResultsReport> ResultsPages;  // the values of every results page opened

  void OpenResultsPage(const TResultsReport& report) override {
    Events.Log("OpenResultsPage");
    ResultsPages.push_back(report);
  }
  void OpenHelpPage() override { Events.Log("OpenHelpPage"); }
  void OpenAspiHelpPage() override { Events.Log("OpenAspiHelpPage"); }
  void OpenCoverSheet() override { Events.Log("OpenCoverSheet"); }

private:
  TEventLog& Events;
};

}  // namespace qx::fakes
