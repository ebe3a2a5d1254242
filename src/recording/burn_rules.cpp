#include "recording/burn_rules.h"

#include <algorithm>

#include "base/text.h"
#include "recording/track_list.h"
#include "res/texts.h"

namespace qx {

uint64_t ProgressSectors(uint64_t totalBytes, uint32_t sectorSize) { return totalBytes / sectorSize + 1; }

int32_t ProgressInterval(uint64_t sectors) {
  // Sectors come from a 32-bit track size, so the interval stays far below the 32-bit range.
  return static_cast<int32_t>(sectors / 180 + 110);
}

int ProgressPercent(uint64_t done, uint64_t sectors) {
  if (sectors == 0) return kProgressCap;  // never from ProgressSectors; keeps the division sound
  return static_cast<int>(std::min<uint64_t>(100 * done / sectors, kProgressCap));
}

std::string TrimControls(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  size_t first = 0, last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string TitleCut(const std::string& text) { return text.substr(0, kTrackTitleSize - 1); }

std::string DiscTitle(const std::string& volumeTitle, const std::string& date) {
  return TitleCut(TrimControls(volumeTitle + kDiscTitleGap + date));
}

std::string TagValue(const std::vector<std::string>& tags, const std::string& key) {
  for (const std::string& line : tags) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos && SameTextAscii(line.substr(0, equals), key))
      return line.substr(equals + 1);
  }
  return std::string();
}

std::string TrackTitle(const std::vector<std::string>& tags) {
  return TitleCut(TrimControls(TagValue(tags, kFirstTrackTag)));
}

int64_t EstimateSpeedFactor(int64_t speedX) { return speedX > 2 ? speedX : 2; }

int64_t EstimateMinutes(int64_t megabytes, int64_t speedFactor) { return megabytes / (9 * speedFactor) + 2; }

TTimeEstimate EstimateTime(int64_t speedX, int64_t folderSize, bool showSpeed, int32_t mediaType,
                           TTextSource& texts) {
  TTimeEstimate estimate;
  const int64_t factor = EstimateSpeedFactor(speedX);
  const int64_t megabytes = folderSize / 1048576;
  estimate.SizeMB = static_cast<uint32_t>(megabytes);
  estimate.Lines.push_back(texts.Text(IDS_SESSION_DONT_DISTURB));
  const std::string prefix =
      showSpeed ? texts.Text(IDS_SESSION_SPEED_IS) + std::to_string(factor) + "X: " : std::string();
  // Larger media write at speeds the estimate does not know.
  if (mediaType <= 3)
    estimate.Lines.push_back(prefix + texts.Text(IDS_SESSION_READY_IN) + " " +
                             std::to_string(EstimateMinutes(megabytes, factor)) + " " +
                             texts.Text(IDS_SESSION_MINUTES));
  estimate.SpeedText = std::to_string(factor);
  return estimate;
}

}  // namespace qx
