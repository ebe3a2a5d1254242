// The entry procedure: picks the run mode from the command line and the applet file's size, and
// creates what that mode needs, in a fixed order.
#include <windows.h>

#include <memory>
#include <utility>

#include "app/application_win32.h"
#include "app/burn_data_module.h"
#include "app/common_utils.h"
#include "app/form_main_win32.h"
#include "app/payload_host_win32.h"
#include "app/session_win32.h"
#include "payload/payload_module.h"
#include "app/resource_text.h"
#include "app/run_mode.h"
#include "res/texts.h"

namespace qx {

// The objects of a run; each stays empty while it is not created.
TFormMain* FormMain = nullptr;
TBurnDataModule* BurnDataModule = nullptr;
TPayloadModule* PayloadModule = nullptr;

namespace {

// The exit code of a start that fails before any run mode could begin.
const int kUnhandledStartupError = 217;

// Owns one of the run's objects and empties its process-wide reference when it goes.
template <class T>
class TOwned {
public:
  explicit TOwned(T*& reference) : Reference(reference) {}
  ~TOwned() {
    Object.reset();
    Reference = nullptr;
  }
  template <class... Args>
  T& Create(Args&&... args) {
    Object.reset(new T(std::forward<Args>(args)...));
    Reference = Object.get();
    return *Object;
  }

private:
  T*& Reference;
  std::unique_ptr<T> Object;
};

int RunApplet() {
  // Relative file names everywhere else rely on the applet folder being the current folder.
  const std::string folder = AppletFolder();
  if (folder.empty() || !SetCurrentDirectoryA(folder.c_str()))
    throw Exception("Cannot make the applet folder \"" + folder + "\" the current folder");
  DetectPlatform();

  const TRunMode mode = SelectRunMode(
      [](const char* text) { return IsSwitch(text); },
      [] { return FileSizeInRange(AppletFileName(), MinAppletSize, MaxAppletSize); });

  // Declared in creation order, so they are destroyed in reverse at the end of the run.
  TWin32PayloadHost payloadHost;
  TSession session;
  TOwned<TFormMain> form(FormMain);
  TOwned<TBurnDataModule> burn(BurnDataModule);
  TOwned<TPayloadModule> payload(PayloadModule);
  switch (mode) {
    case TRunMode::rmMaintenance:
      payload.Create(payloadHost).RunMaintenanceMode();
      return 0;
    case TRunMode::rmPreview:
      // Creating the window shows it for five seconds; no message loop runs.
      form.Create(true, nullptr);
      return 0;
    case TRunMode::rmSession:
      Application.Initialize();
      Application.OnRunStart = [](void* s) { static_cast<TSession*>(s)->ApplicationRunning(); };
      Application.OnRunStartContext = &session;
      form.Create(false, &session);
      burn.Create();
      payload.Create(payloadHost);
      Application.Run();
      return 0;
    case TRunMode::rmNothing:
      break;
  }
  return 0;
}

}  // namespace
}  // namespace qx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return qx::RunApplet();
  } catch (const std::exception& error) {
    MessageBoxA(nullptr, error.what(), qx::ResourceText(qx::IDS_WINDOW_TITLE).c_str(),
                MB_OK | MB_ICONERROR);
    return qx::kUnhandledStartupError;
  }
}
