// The responsive wait, on the platform's tick counter and the application's message pump.
#include <windows.h>

#include "platform/application_win32.h"
#include "platform/common_utils.h"
#include "common/delay.h"

namespace qx {

namespace {

class TApplicationDelayHost : public TDelayHost {
public:
  explicit TApplicationDelayHost(TApplication& application) : Application(application) {}
  uint32_t TickCount() override { return GetTickCount(); }
  bool Terminated() override { return Application.Terminated; }
  void ProcessMessages() override { Application.ProcessMessages(); }
  void WaitForMessages(uint32_t milliseconds) override {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
  }

private:
  TApplication& Application;
};

}  // namespace

void Delay(TApplication& application, uint32_t milliseconds) {
  TApplicationDelayHost host(application);
  DelayWith(host, milliseconds);
}

}  // namespace qx
