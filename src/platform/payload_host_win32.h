#pragma once
// The payload module's view of the platform on Win32.
#include "payload/payload_module.h"
#include "platform/platform_facts.h"
#include "session/session_view.h"

namespace qx {

class TApplication;

class TWin32PayloadHost : public TPayloadHost {
public:
  TWin32PayloadHost(TApplication& application, const TPlatformFacts& facts)
      : Application(application), Facts(facts) {}

  std::string AppletPath() override;
  bool IsSwitch(const std::string& text) override;
  bool IsNT() override;
  bool CopyOneFile(const std::string& source, const std::string& target, bool failIfExists) override;
  void StartHidden(const TBatchLaunch& launch) override;
  void RequestEnd() override;
  bool HasMainWindow() override;
  void ProcessMessages() override;
  void SetPreparationProgress(int percent) override;

  // The session window's view, where the run has one.
  TSessionView* View = nullptr;

private:
  TApplication& Application;
  const TPlatformFacts& Facts;
};

}  // namespace qx
