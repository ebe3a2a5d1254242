#pragma once
// The real payload module behind the session's TPayloadControl seam.
#include "session/session_seams.h"

namespace qx {

class TPayloadModule;

class TPayloadModuleSeam : public TPayloadControl {
public:
  explicit TPayloadModuleSeam(TPayloadModule& module) : Module(module) {}
  bool RunMaintenanceMode() override;
  void DetachProgress() override;
  bool UnpackSupportFiles() override;
  bool ExtractOne(const std::string& name) override;

private:
  TPayloadModule& Module;
};

}  // namespace qx
