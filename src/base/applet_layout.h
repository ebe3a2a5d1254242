#pragma once
// The applet file and its command line as every layer sees them: where the payload starts, which
// file sizes run a session, and the switches that pick the other run modes.
#include <cstdint>

namespace qx {

// The size of the stub; the payload archive starts at this file offset.
constexpr int32_t kPayloadOffset = 722432;
// The smallest and largest applet file that runs a session (both inclusive).
constexpr int32_t kMinAppletSize = 723456;
constexpr int32_t kMaxAppletSize = 2147483647;

// "#13/#10" is seven ordinary characters, not a line break.
inline constexpr const char kSwitchMax[] = "/max#13/#10";
inline constexpr const char kSwitchNow[] = "/Now#13/#10";
inline constexpr const char kSwitchRle[] = "/#13/#10";
inline constexpr const char kSwitchSpawn[] = "/spawnqx00#13/#10";
inline constexpr const char kSwitchEmpty[] = "/emptyqx00#13/#10";
inline constexpr const char kSwitchShow[] = "/show";
// The session's own switch: record in simulation mode.
inline constexpr const char kSwitchTest[] = "/testqx00";

}  // namespace qx
