#include "app/session_win32.h"

#include <windows.h>

#include "app/application_win32.h"
#include "app/burn_data_module.h"
#include "app/common_utils.h"
#include "base/applet_layout.h"
#include "payload/payload_module.h"

namespace qx {

extern TFormMain* FormMain;
extern TBurnDataModule* BurnDataModule;
extern TPayloadModule* PayloadModule;

namespace {
// Step codes of the session.
constexpr uint8_t kStepBusy = 9;
// Share of the preparation gauge that unpacking accounts for.
constexpr int kUnpackShare = 15;
}  // namespace

void TSession::ApplicationActivated() {
  // Showing the window activates the application while it is still being created; the session
  // only starts once the application runs.
  if (!Application.Running) {
    ActivatedBeforeRun = true;
    return;
  }
  if (!SessionStarted) {
    // The session starts once, on the first activation; later activations only yield.
    SessionStarted = true;
    Application.ProcessMessages();
    FormMain->Step = kStepBusy;
    RunSession();
  }
  Sleep(0);
}

void TSession::ApplicationRunning() {
  if (ActivatedBeforeRun) ApplicationActivated();
}

void TSession::RunSession() {
  FormMain->SetRightButton(0);
  if (BurnDataModule) BurnDataModule->TestMode = IsSwitch(kSwitchTest);
  if (PayloadModule && !PayloadModule->RunMaintenanceMode()) {
    // Unpacking in a session drives no gauge of its own.
    PayloadModule->Compress.OnShowProgress = nullptr;
    FormMain->ProgressBarLeft.SetProgress(FormMain->ProgressBarLeft.Progress() + kUnpackShare);
    // A failed unpack asks to close, which the window refuses: the required-files check that
    // follows tells the user what is missing.
    if (!PayloadModule->UnpackSupportFiles()) FormMain->Close();
  }
  Delay(500);
  ReadVolumeTitle();
  FormMain->AppendStatus(ProductBanner());
  Delay(200);
}

void TSession::ReadVolumeTitle() {
  const std::string file = AppPath("qxorig.qx");
  char title[2048] = "";
  GetPrivateProfileStringA("TITLE", "Title ", "", title, sizeof(title), file.c_str());
  if (!title[0]) GetPrivateProfileStringA("TITLE", "Title", "", title, sizeof(title), file.c_str());
  if (!title[0]) return;
  VolumeTitle = title;
  FormMain->AppendStatus("\"" + VolumeTitle + "\"");
}

}  // namespace qx
