#pragma once
// The session's clean-up and reports: what a session leaves behind when it ends, and the pages it
// opens in the default browser. Both read the controller's state and act through its host.
#include <functional>
#include <string>

#include "payload/payload_rules.h"
#include "session/session_seams.h"

namespace qx {

class RwLibBinding;
class TFormMain;
class TSessionHost;
class TSessionView;

// Both pieces read the controller's state, and the controller calls them through its context: they
// are made first and attached to the controller once it exists. Neither is called before that.

// Deletes the support files, and leaves the deletion of what the running process still holds (the
// applet, the installed ASPI layer) to a batch that runs once the process has ended.
class TSessionCleanup : public TCleanup {
public:
  using TStartHidden = std::function<void(const TBatchLaunch&)>;
  TSessionCleanup(TSessionHost& host, RwLibBinding& library, TStartHidden startHidden);
  void Attach(TFormMain& form) { Form = &form; }
  void Cleanup(bool cleanAspi, bool deleteApplet) override;

private:
  TFormMain* Form = nullptr;
  TSessionHost& Host;
  RwLibBinding& Library;
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
  void Attach(TFormMain& form) { Form = &form; }
  void OpenResultsPage() override;
  void OpenHelpPage() override;
  void OpenAspiHelpPage() override;
  void OpenCoverSheet() override;

  // The report's address from the session's state; false when "qxorig.qx" cannot be read.
  bool BuildResultsAddress(std::string& address);

private:
  TFormMain* Form = nullptr;
  TSessionHost& Host;
  TSessionView& View;
  TSocketLayer& Sockets;
};

}  // namespace qx
