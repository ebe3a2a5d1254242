#pragma once
// The session's clean-up and reports: what a session leaves behind when it ends, and the pages it
// opens in the default browser. Both take the session's values as arguments and act through the
// host; neither knows the controller.
#include <functional>
#include <string>

#include "payload/payload_rules.h"
#include "session/session_seams.h"

namespace qx {

class TRwLibBinding;
class TSessionHost;
class TSessionView;

// Deletes the support files, and leaves the deletion of what the running process still holds (the
// applet, the installed ASPI layer) to a batch that runs once the process has ended.
class TSessionCleanup : public TCleanup {
public:
  using TStartHidden = std::function<void(const TBatchLaunch&)>;
  TSessionCleanup(TSessionHost& host, TRwLibBinding& library, TStartHidden startHidden);
  void Cleanup(bool cleanAspi, bool deleteApplet, bool appletDeletionAllowed) override;

private:
  TSessionHost& Host;
  TRwLibBinding& Library;
  TStartHidden StartHidden;
};

// The platform's socket layer, which the report starts and stops around its work.
class TSocketLayer {
public:
  virtual ~TSocketLayer() = default;
  virtual bool Start() = 0;
  virtual void Stop() = 0;
};

class TSessionReports : public TReports {
public:
  TSessionReports(TSessionHost& host, TSessionView& view, TSocketLayer& sockets);
  void OpenResultsPage(const TResultsReport& session) override;
  void OpenHelpPage() override;
  void OpenAspiHelpPage() override;
  void OpenCoverSheet() override;

  // The report's address from the session's values, completed with the project's source line,
  // the version texts and the bar's hint; false when "qxorig.qx" cannot be read.
  bool BuildResultsAddress(const TResultsReport& session, std::string& address);

private:
  TSessionHost& Host;
  TSessionView& View;
  TSocketLayer& Sockets;
};

}  // namespace qx
