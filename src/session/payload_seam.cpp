#include "session/payload_seam.h"

#include <exception>

#include "payload/payload_module.h"

namespace qx {

bool TPayloadModuleSeam::RunMaintenanceMode() { return module.RunMaintenanceMode(); }

void TPayloadModuleSeam::DetachProgress() { module.Compress.OnShowProgress = nullptr; }

bool TPayloadModuleSeam::UnpackSupportFiles() { return module.UnpackSupportFiles(); }

bool TPayloadModuleSeam::ExtractOne(const std::string& name) {
  // A damaged payload must not end the session from inside a check: the check reports the
  // missing layer instead.
  try {
    module.ExtractOne(name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace qx
