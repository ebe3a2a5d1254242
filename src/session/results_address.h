#pragma once
// The address of the results report and of the help pages. The hosts of the maker's results
// server and web site are kept here, in one place, under the reserved ".invalid" domain, so that
// no real server ever receives a user's data from this program's tests or demo.
#include <cstdint>
#include <string>

#include "base/result_code.h"

namespace qx {

inline constexpr const char kResultsServer[] = "http://results.ravelle.invalid/";
inline constexpr const char kWebSite[] = "http://www.ravelle.invalid/";
inline constexpr const char kHelpPagePath[] = "support/Ravelle/helpbutton-perm.asp";
inline constexpr const char kAspiHelpPagePath[] = "support/aboutaspi-perm.asp";

// The two fixed DirectCD paths: the driver of the 9x family, else the program.
inline constexpr const char kDirectCdDriver[] = "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\cdrpwd.vxd";
inline constexpr const char kDirectCdProgram[] = "C:\\Program Files\\DirectCD\\Directcd.exe";

// What the report carries, gathered by the session.
struct TResultsReport {
  int32_t ResultCode = rsUndecided;
  std::string SourceLine;       // first line of "qxorig.qx", "Missing" when it has none
  std::string AppletVersion;    // "Full" version text of the applet
  std::string AspiVersion;      // "Long" version text of "wnaspi32.dll"
  std::string DirectCdVersion;  // "Short" version text of DirectCD
  std::string ProgressHint;     // the recording gauge's hint: final percent, or "-"
  std::string RecorderVendor, RecorderProduct;
  std::string SuccText, FailText, SpeedText;
  uint32_t SizeMB = 0;
};

// The first line of a text file's content; "Missing" when the content has no line at all.
std::string SourceLineOf(const std::string& content);

// The full address, key by key in the report's fixed order. Blanks of the source and version texts
// become "_", blanks and ampersands of the recorder's texts too; then every byte of an outside value
// that is not safe in an address is percent-encoded, so that a device or a project file can neither
// add keys nor split the one argument the browser is given.
std::string ResultsAddress(const TResultsReport& report);

}  // namespace qx
