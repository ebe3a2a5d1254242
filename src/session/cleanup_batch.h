#pragma once
// The batch file a session leaves behind: the running applet cannot delete itself, nor the ASPI
// layer that the recording library still holds, so a small batch retries those deletions until
// the process has ended and then deletes itself.
#include <string>

namespace qx {

struct TCleanupBatchInputs {
  std::string AppletFolder;    // ending in "\"
  std::string AppletFileName;  // without folder
  std::string BatchPath;       // full path of "qx1e.bat"
  bool DeleteApplet = false;   // retry deleting the applet
  bool DeleteAspi = false;     // retry deleting the applet's installed "wnaspi32.dll"
};

// The batch's text, lines ending in CR LF. Every name is quoted with "%" doubled, as in the build
// batch, so a folder such as "C:\Disc 100%\" names itself.
std::string CleanupBatchText(const TCleanupBatchInputs& inputs);

// The ASPI version rule: the layer is the applet's own installed copy (version 5 or above) when
// its version text begins with "5" or a character above it.
bool IsOwnAspiVersion(const std::string& versionText);

}  // namespace qx
