#pragma once
// The command-line switches that select the maintenance and preview modes. "#13/#10" is seven
// ordinary characters, not a line break.
namespace qx {

inline constexpr const char kSwitchMax[] = "/max#13/#10";
inline constexpr const char kSwitchNow[] = "/Now#13/#10";
inline constexpr const char kSwitchRle[] = "/#13/#10";
inline constexpr const char kSwitchSpawn[] = "/spawnqx00#13/#10";
inline constexpr const char kSwitchEmpty[] = "/emptyqx00#13/#10";
inline constexpr const char kSwitchShow[] = "/show";

}  // namespace qx
