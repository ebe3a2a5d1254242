#pragma once
// The rules of one recording that need no thread, window or library: how far the progress bar may
// go, how often the library signals, what the disc and track titles read and which track tag names
// the track. Pure functions, tested natively.
#include <cstdint>
#include <string>
#include <vector>

#include "recording/library_loader.h"

namespace qx {

// Write-method codes; they index the history's counters. Track-at-once is the only method a
// recording writes with.
enum TWriteMethod : uint8_t { wmDiscAtOnce = 0, wmSessionAtOnce = 1, wmTrackAtOnce = 2 };

// Bytes per sector of a data track.
constexpr uint32_t kDataSectorSize = 2048;
// The bar never passes this while the library writes; the completion fills it.
constexpr int kProgressCap = 96;
// The progress worker's hand-over time: it computes the interval the write call is given.
constexpr uint32_t kProgressHandOverMs = 750;
// Blanks between the project title and the date in the disc title.
constexpr const char kDiscTitleGap[] = "       ";
// The track tag that holds the first track's title.
constexpr const char kFirstTrackTag[] = "1";

// Sectors the progress counts for a total size: whole sectors, plus one.
uint64_t ProgressSectors(uint64_t totalBytes, uint32_t sectorSize);
// Sectors per progress signal: one signal per 180th of the sectors, and never fewer than 110.
int32_t ProgressInterval(uint64_t sectors);
// The bar's percentage after `done` sectors: rounded down, at most kProgressCap.
int ProgressPercent(uint64_t done, uint64_t sectors);

// The text without leading and trailing blanks and control characters (every byte up to 32).
std::string TrimControls(const std::string& text);
// The text cut to the 81 characters a track or disc title may hold.
std::string TitleCut(const std::string& text);
// The disc title: the project title, seven blanks and the date, trimmed and cut.
std::string DiscTitle(const std::string& volumeTitle, const std::string& date);
// The value of the first "key=value" line whose key equals `key` in any letter case; "" when none.
std::string TagValue(const std::vector<std::string>& tags, const std::string& key);
// The first track's title from the track tags: the tag "1", trimmed and cut.
std::string TrackTitle(const std::vector<std::string>& tags);

// The speed factor the estimate uses: the write speed's factor, at least 2.
int64_t EstimateSpeedFactor(int64_t speedX);
// Minutes until the disc is ready for a project of `megabytes` at the factor.
int64_t EstimateMinutes(int64_t megabytes, int64_t speedFactor);

// The time estimate the burn worker reports once the write speed is set.
struct TTimeEstimate {
  std::vector<std::string> Lines;  // the memo lines, in order
  std::string SpeedText;           // the speed factor as text: the report's "&t=", the next PriorX
  uint32_t SizeMB = 0;             // the project's size in whole MB
};
// The estimate for a project of `folderSize` bytes at `speedX`. `showSpeed` puts the factor in
// front of the line; discs of a type above 3 get no estimate line.
TTimeEstimate EstimateTime(int64_t speedX, int64_t folderSize, bool showSpeed, int32_t mediaType,
                           TTextSource& texts);

}  // namespace qx
