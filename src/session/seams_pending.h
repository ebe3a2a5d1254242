#pragma once
// Stand-ins for the seams whose pieces are built by later work: the recording, the clean-up and
// the results and help pages. They are honest about it: no recording starts (the session then
// hands the right button back, and its press ends the session as a cancel), and nothing is
// cleaned up or opened. Replace each with the real piece as it lands.
#include "session/session_seams.h"

namespace qx {

class TBurnNotBuilt : public TBurnControl {
public:
  void SetTestMode(bool) override {}
  bool StartBurn(uint8_t) override { return false; }
  bool BurnRunning() override { return false; }
  void AbortBurn() override {}
};

class TCleanupNotBuilt : public TCleanup {
public:
  void Cleanup(bool, bool) override {}
};

class TReportsNotBuilt : public TReports {
public:
  void OpenResultsPage() override {}
  void OpenHelpPage() override {}
  void OpenAspiHelpPage() override {}
  void OpenCoverSheet() override {}
};

}  // namespace qx
