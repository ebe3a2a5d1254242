#pragma once
// The session's calls into the pieces that record, clean up and report. Each is an interface so
// that the controller is tested with fakes and so that each piece can be built on its own.
#include <cstdint>

namespace qx {

// The burn data module as the session sees it.
class TBurnControl {
public:
  virtual ~TBurnControl() = default;
  // Record in simulation mode; set by the session before a recording starts.
  virtual void SetTestMode(bool testMode) = 0;
  // Starts a recording with the write method (2 = track-at-once) on a worker thread; true when
  // the worker was started.
  virtual bool StartBurn(uint8_t method) = 0;
  // A burn worker is running.
  virtual bool BurnRunning() = 0;
  // Stops a running recording (the cancel path calls it only while one runs).
  virtual void AbortBurn() = 0;
};

// Removal of the support files and, through a batch file, of the ASPI copy and the applet.
class TCleanup {
public:
  virtual ~TCleanup() = default;
  virtual void Cleanup(bool cleanAspi, bool deleteApplet) = 0;
};

// The pages the session opens in the default browser, and the cover sheet.
class TReports {
public:
  virtual ~TReports() = default;
  // The results report; the caller has checked that the machine is online.
  virtual void OpenResultsPage() = 0;
  // The help page of the left button.
  virtual void OpenHelpPage() = 0;
  // The page about getting an ASPI layer (step 4's press).
  virtual void OpenAspiHelpPage() = 0;
  // "CoverSheet.htm" in the applet folder.
  virtual void OpenCoverSheet() = 0;
};

}  // namespace qx
