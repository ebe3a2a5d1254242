#include "app/payload_module.h"

#include "app/common_utils.h"
#include "app/run_mode.h"

namespace qx {

bool TPayloadModule::RunMaintenanceMode() {
  return FirstMaintenanceSwitch([](const char* text) { return IsSwitch(text); }) != nullptr;
}

}  // namespace qx
