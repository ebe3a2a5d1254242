// The entry procedure: picks the run mode from the command line and the applet file's size, and
// creates what that mode needs, in a fixed order. The instances of a run (the platform facts, the
// application object, the window, the hosts and the session) live here, on this function's
// stack, and are handed to whoever needs them; nothing is reached through a global.
#include <windows.h>

#include <memory>

#include "platform/application_win32.h"
#include "platform/common_utils.h"
#include "ui/main_window_win32.h"
#include "platform/payload_host_win32.h"
#include "platform/platform_facts.h"
#include "platform/resource_text.h"
#include "common/run_mode.h"
#include "platform/session_host_win32.h"
#include "ui/session_view_win32.h"
#include "platform/socket_layer_win32.h"
#include "common/short_date.h"
#include "burn/burn_data_module.h"
#include "burn/burn_platform_win32.h"
#include "payload/payload_module.h"
#include "recording/library_loader_win32.h"
#include "recording/rwlib_binding.h"
#include "res/texts.h"
#include "session/burn_seam.h"
#include "session/form_main.h"
#include "session/payload_seam.h"
#include "session/session_end.h"

namespace qx {

namespace {

// The exit code of a start that fails before any run mode could begin.
const int kUnhandledStartupError = 217;

// The window's events, handed to the session's controller.
class TSessionEvents : public TMainWindowEvents {
public:
  explicit TSessionEvents(TFormMain& form) : Form(form) {}
  void ApplicationActivated() override { Form.ApplicationActivate(); }
  void ButtonClicked(TButtonId button) override { Form.ButtonClick(button); }
  bool CloseQuery(bool senderIsRightButton) override { return Form.FormClose(senderIsRightButton); }
  void MemoChanged() override { Form.MemoStatusChange(); }
  bool RefuseAutoPlay() override { return Form.RefuseAutoPlay(); }
  bool QueryEndSession() override { return Form.QueryEndSession(); }
  void EndSessionAgreed() override { Form.EndSessionAgreed(); }
  void EndSession(bool ending) override { Form.EndSession(ending); }
  void Destroyed() override { Form.FormDestroy(); }

private:
  TFormMain& Form;
};

// Destroys the window while the controller still exists, so that its destruction handler runs.
class TWindowFirst {
public:
  explicit TWindowFirst(std::unique_ptr<TMainWindow>& window) : Window(window) {}
  ~TWindowFirst() { Window.reset(); }

private:
  std::unique_ptr<TMainWindow>& Window;
};

// The preview and the session: the window, the burn data module, the payload module (session
// only), the recording library's binding, the clean-up and the reports, and the controller.
void RunWindow(bool previewMode, TApplication& application, const TPlatformFacts& facts,
               TWin32PayloadHost& payloadHost) {
  // No message loop runs in the preview, so the application object stays uninitialised there.
  if (!previewMode) application.Initialize();
  std::unique_ptr<TMainWindow> window(new TMainWindow(application, facts.IsNT));
  TWin32SessionView view(*window);
  TWin32SessionHost host(application, facts);
  TWin32LibraryLoader loader;
  TWin32StringTable texts;
  TRwLibBinding library(loader, texts);
  // The burn data module comes right after the window, as the session expects; a recording's
  // outcome reaches the controller through the handler each request comes with.
  TWin32BurnPlatform burnPlatform(window->Handle());
  window->SetBurnMailbox(&burnPlatform.Mailbox());
  TSessionBurnHost burnHost(view, host);
  TBurnDataModule burnDataModule(burnHost, library, burnPlatform);
  TSessionCleanup cleaner(host, library,
                          [&payloadHost](const TBatchLaunch& launch) { payloadHost.StartHidden(launch); });
  TWin32SocketLayer sockets;
  TSessionReports reports(host, view, sockets);
  std::unique_ptr<TPayloadModule> payloadModule;
  std::unique_ptr<TPayloadModuleSeam> payloadControl;
  if (!previewMode) {
    payloadHost.View = &view;
    payloadModule.reset(new TPayloadModule(payloadHost));
    payloadControl.reset(new TPayloadModuleSeam(*payloadModule));
  }
  // The C++ objects exist before the window's creation handler runs, so that the context is
  // complete; the session itself starts only once the message loop runs.
  TFormMain form(
      TSessionContext{view, host, library, burnDataModule, cleaner, reports, payloadControl.get()});
  TSessionEvents events(form);
  window->SetEvents(&events);
  TWindowFirst windowFirst(window);
  form.FormCreate(previewMode);
  if (previewMode) return;
  application.OnRunStart = [](void* shown) { static_cast<TMainWindow*>(shown)->ApplicationRunning(); };
  application.OnRunStartContext = window.get();
  // A quit message ends the session as one of its results, wherever it is taken (the loop or a
  // wait inside the session).
  application.OnQuit = [](void* session) { static_cast<TFormMain*>(session)->ApplicationTerminate(); };
  application.OnQuitContext = &form;
  application.Run();
  // The loop has ended without the session's end (which ends the process): end it now, before the
  // window, the library and the burn module go.
  form.ApplicationTerminate();
}

int RunApplet() {
  // Relative file names everywhere else rely on the applet folder being the current folder.
  const std::string folder = AppletFolder();
  if (folder.empty() || !SetCurrentDirectoryA(folder.c_str()))
    throw Exception("Cannot make the applet folder \"" + folder + "\" the current folder");
  TPlatformFacts facts;
  facts.IsNT = DetectPlatform();
  const TRunMode mode = SelectRunMode([](const char* text) { return IsSwitch(text); },
                                      [&facts] {
                                        return FileSizeInRange(AppletFileName(), kMinAppletSize,
                                                               kMaxAppletSize, facts.AppletSize);
                                      });

  TApplication application;
  TWin32PayloadHost payloadHost(application, facts);
  switch (mode) {
    case TRunMode::rmMaintenance: {
      TPayloadModule payload(payloadHost);
      payload.RunMaintenanceMode();
      return 0;
    }
    case TRunMode::rmPreview: RunWindow(true, application, facts, payloadHost); return 0;
    case TRunMode::rmSession: RunWindow(false, application, facts, payloadHost); return 0;
    case TRunMode::rmNothing: break;
  }
  return 0;
}

}  // namespace
}  // namespace qx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return qx::RunApplet();
  } catch (const std::exception& error) {
    MessageBoxA(nullptr, error.what(), qx::ResourceText(qx::IDS_WINDOW_TITLE).c_str(), MB_OK | MB_ICONERROR);
    return qx::kUnhandledStartupError;
  }
}
