#include "session/payload_seam.h"

#include <exception>

#include "payload/payload_module.h"

namespace qx {

bool TPayloadModuleSeam::RunMaintenanceMode() { return Module.RunMaintenanceMode(); }

void TPayloadModuleSeam::DetachProgress() { Module.Compress.OnShowProgress = nullptr; }

bool TPayloadModuleSeam::UnpackSupportFiles() { return Module.UnpackSupportFiles(); }

bool TPayloadModuleSeam::ExtractOne(const std::string& name) {
  // A damaged payload must not end the session from inside a check: the check reports the
  // missing layer instead.
  try {
    Module.ExtractOne(name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace qx
