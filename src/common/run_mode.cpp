#include "common/run_mode.h"

namespace qx {

const char* FirstMaintenanceSwitch(const std::function<bool(const char*)>& isSwitch) {
  for (const char* text : kMaintenanceSwitchTexts)
    if (isSwitch(text)) return text;
  return nullptr;
}

TRunMode SelectRunMode(const std::function<bool(const char*)>& isSwitch,
                       const std::function<bool()>& sizeInRange) {
  if (FirstMaintenanceSwitch(isSwitch)) return TRunMode::rmMaintenance;
  if (isSwitch(kPreviewSwitchText)) return TRunMode::rmPreview;
  return sizeInRange() ? TRunMode::rmSession : TRunMode::rmNothing;
}

}  // namespace qx
