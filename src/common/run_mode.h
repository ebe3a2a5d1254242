#pragma once
// Which of the four run modes a start selects, from the switches and the applet file's size.
#include <cstdint>
#include <functional>

#include "base/applet_layout.h"

namespace qx {

enum class TRunMode {
  rmMaintenance,  // a maintenance switch: the payload module does its work, no window
  rmPreview,      // "/show": the window is shown for five seconds
  rmSession,      // a normal run: the burn session in the main window
  rmNothing,      // a file too small (or too large) to carry a payload: end without a trace
};

// The switches that select maintenance, in the order they are tested. "#13/#10" is seven
// ordinary characters, not a line break.
inline constexpr const char* kMaintenanceSwitchTexts[5] = {kSwitchMax, kSwitchNow, kSwitchRle, kSwitchSpawn,
                                                           kSwitchEmpty};
inline constexpr const char* kPreviewSwitchText = kSwitchShow;

// The run mode for the given switch test and size test. The size test runs only when neither a
// maintenance switch nor the preview switch is present.
TRunMode SelectRunMode(const std::function<bool(const char*)>& isSwitch,
                       const std::function<bool()>& sizeInRange);

// The first maintenance switch present, or nullptr.
const char* FirstMaintenanceSwitch(const std::function<bool(const char*)>& isSwitch);

}  // namespace qx
