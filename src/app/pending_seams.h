#pragma once
// The clean-up and the reports as the applet has them until their own work
// lands: each is a real seam whose call sits in its place of the session's flow, and each says
// here that it does nothing yet. They are replaced, not extended.
#include "session/session_seams.h"

namespace qx {

// The clean-up before the clean-up batch exists: nothing is removed yet. Replaced by the clean-up
// and self-removal work.
class TCleanupNotYetAvailable : public TCleanup {
public:
  void Cleanup(bool, bool) override {}
};

// The reports before the results address and the help pages exist: nothing is opened yet.
// Replaced by the results report work.
class TReportsNotYetAvailable : public TReports {
public:
  void OpenResultsPage() override {}
  void OpenHelpPage() override {}
  void OpenAspiHelpPage() override {}
  void OpenCoverSheet() override {}
};

}  // namespace qx
