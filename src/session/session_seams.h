#pragma once
// The session's calls into the pieces that unpack, clean up and report. Each is an interface so
// that the controller is tested with fakes and so that each piece can be built on its own.
#include <cstdint>
#include <string>

#include "session/results_address.h"

namespace qx {

// The payload module as the session sees it: the support files it unpacks at the start and the
// one member the ASPI check may extract again. The start-up code hands the real module over
// through TPayloadModuleSeam (payload_seam.h).
class TPayloadControl {
public:
  virtual ~TPayloadControl() = default;
  // True when a maintenance switch is present (the start-up code ran that mode instead).
  virtual bool RunMaintenanceMode() = 0;
  // Unpacking in a session drives no gauge of its own.
  virtual void DetachProgress() = 0;
  // True when "qxorig.qx" lies in the applet folder afterwards.
  virtual bool UnpackSupportFiles() = 0;
  // Unpacks one member into the applet folder; false when it could not (an archive error is
  // caught here, as a check must not end the session by an exception).
  virtual bool ExtractOne(const std::string& name) = 0;
};

// Removal of the support files and, through a batch file, of the ASPI copy and the applet.
class TCleanup {
public:
  virtual ~TCleanup() = default;
  // `appletDeletionAllowed` is the history's DeleteApplet: without it the applet always stays.
  virtual void Cleanup(bool cleanAspi, bool deleteApplet, bool appletDeletionAllowed) = 0;
};

// The pages the session opens in the default browser, and the cover sheet.
class TReports {
public:
  virtual ~TReports() = default;
  // The results report from the session's values; the caller has checked that the machine is
  // online.
  virtual void OpenResultsPage(const TResultsReport& session) = 0;
  // The help page of the left button.
  virtual void OpenHelpPage() = 0;
  // The page about getting an ASPI layer (step 4's press).
  virtual void OpenAspiHelpPage() = 0;
  // "CoverSheet.htm" in the applet folder.
  virtual void OpenCoverSheet() = 0;
};

}  // namespace qx
