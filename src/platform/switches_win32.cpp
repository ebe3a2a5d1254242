// The switch test over the process's own command line, as the platform hands it over (not as a
// C run time would split it into argv).
#include <windows.h>

#include "common/command_line.h"
#include "platform/common_utils.h"

namespace qx {

bool IsSwitch(const std::string& text) {
  const char* line = GetCommandLineA();
  return CommandLineHasSwitch(line ? line : "", text);
}

}  // namespace qx
