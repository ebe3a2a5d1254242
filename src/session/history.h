#pragma once
// The burn history: the values the authoring program leaves in the registry for the applet, and
// the counters and outcome the applet writes back. Read once when the window is created, written
// once when the session ends. Value names are the constants below, in one place.
#include <cstdint>
#include <optional>
#include <string>

#include "recording/burn_rules.h"

namespace qx {

// "Software\Lorvane\Ravelle\6.0" under the current user.
inline constexpr const char kHistoryKeyPath[] = "Software\\Lorvane\\Ravelle\\6.0";

namespace history {
inline constexpr const char kLastDiscNumber[] = "LastDiscNumber";
inline constexpr const char kLastFolderPath[] = "LastFolderPath";
inline constexpr const char kLastFolderSize[] = "LastFolderSize";
inline constexpr const char kLastProjectDeleteIt[] = "LastProjectDeleteIt";
inline constexpr const char kLastVolName[] = "LastVolName";
inline constexpr const char kTesting[] = "Testing";
inline constexpr const char kCpuSpeed[] = "CPUspeed";
inline constexpr const char kPriorX[] = "PriorX";
inline constexpr const char kPriorBurnWasGood[] = "PriorBurnWasGood";
inline constexpr const char kPriorSaidHoldThrottle[] = "PriorSaidHoldThrottle";
inline constexpr const char kDeleteApplet[] = "DeleteApplet";
inline constexpr const char kTAOModeSuccess[] = "TAOModeSuccess";
inline constexpr const char kSAOModeSuccess[] = "SAOModeSuccess";
inline constexpr const char kDAOModeSuccess[] = "DAOModeSuccess";
inline constexpr const char kTAOModeFail[] = "TAOModeFail";
inline constexpr const char kSAOModeFail[] = "SAOModeFail";
inline constexpr const char kDAOModeFail[] = "DAOModeFail";
inline constexpr const char kBBResult[] = "BBResult";
}  // namespace history

// The history values other than the six counters (which are fields of TFormMain) and the
// processor clock (TFormMain::CpuSpeed), with their defaults.
struct THistory {
  std::string LastDiscNumber = "1";
  std::string LastFolderPath;
  int64_t LastFolderSize = 614400;  // bytes
  std::string LastProjectDeleteIt = "0";
  std::string LastVolName;
  bool Testing = false;
  int32_t PriorX = 0;
  bool PriorBurnWasGood = true;
  bool PriorSaidHoldThrottle = false;
  bool DeleteApplet = true;
};

// A registry text as a signed decimal number: optional sign, then digits only, within range.
// Anything else (empty, blanks, hex, overflow) is not a number, so the caller keeps its default.
std::optional<int32_t> ParseDecimal32(const std::string& text);
std::optional<int64_t> ParseDecimal64(const std::string& text);

// The results report's summaries of the counters, in the order session, disc, track at once.
std::string SuccTextOf(int32_t sao, int32_t dao, int32_t tao);
std::string FailTextOf(int32_t sao, int32_t dao, int32_t tao);

}  // namespace qx
