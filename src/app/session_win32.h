#pragma once
// The session's start in the main window: on the first activation of the application it unpacks
// the support files, shows the project title and the product banner. The checks and the recording
// that follow build on this.
#include <string>

#include "app/form_main_win32.h"

namespace qx {

class TSession : public TFormMainEvents {
public:
  void ApplicationActivated() override;
  // The message loop has started: an activation that came while the window was still being
  // created starts the session now.
  void ApplicationRunning();

  bool SessionStarted = false;
  bool ActivatedBeforeRun = false;
  std::string VolumeTitle;

private:
  void RunSession();
  void ReadVolumeTitle();
};

}  // namespace qx
