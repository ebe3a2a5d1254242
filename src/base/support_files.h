#pragma once
// The names of the files in the applet folder that the session itself reads, installs or removes,
// defined once for the unpacking, the flow, the checks and the clean-up.

namespace qx {

inline constexpr const char kProjectFile[] = "qxorig.qx";   // the project description
inline constexpr const char kAspiLayer[] = "wnaspi32.dll";  // the ASPI layer, as installed
inline constexpr const char kOwnAspiCopy[] = "W2kXP03.qx";  // the applet's own ASPI layer
inline constexpr const char kHiddenSupportFile[] = "qxi9cd.qx";
inline constexpr const char kWriterCore[] = "qxc.qx";           // unpacked beside the library
inline constexpr const char kRecordingLibrary[] = "RwLib.dll";  // the recording library
inline constexpr const char kDeviceList[] = "DEVICES.DEF";      // the library's device table

}  // namespace qx
