// The recording's pure rules: progress sectors, interval and percentage; the disc and track titles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording/burn_rules.h"

namespace qx {
namespace {

struct TIntervalCase {
  const char* Name;
  uint64_t Total;
  uint64_t Sectors;
  int32_t Interval;
};

const TIntervalCase kIntervalCases[] = {
    {"one byte", 1, 1, 110},
    {"one sector less one byte", 2047, 1, 110},
    {"exactly one sector", 2048, 2, 110},
    {"179 sectors", 2048ull * 179, 180, 111},
    {"2048 x 180 bytes", 2048ull * 180, 181, 111},
    {"the default 614400 bytes", 614400, 301, 111},
    {"largest 32-bit track", 0xFFFFFFFFull, 2097152, 11760},
};

TEST(BurnRules, SectorsAndIntervalPerTotal) {
  for (const TIntervalCase& c : kIntervalCases) {
    SCOPED_TRACE(c.Name);
    const uint64_t sectors = ProgressSectors(c.Total, kDataSectorSize);
    EXPECT_EQ(sectors, c.Sectors);
    EXPECT_EQ(ProgressInterval(sectors), c.Interval);
  }
}

struct TPercentCase {
  uint64_t Done, Sectors;
  int Percent;
};

TEST(BurnRules, PercentIsRoundedDownAndCappedAt96) {
  const TPercentCase cases[] = {
      {0, 100, 0},   {1, 3, 33},     {2, 3, 66},   {95, 100, 95},   {96, 100, 96},
      {97, 100, 96}, {100, 100, 96}, {110, 1, 96}, {5000, 181, 96}, {111, 181, 61},
  };
  for (const TPercentCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Done) + " of " + std::to_string(c.Sectors));
    EXPECT_EQ(ProgressPercent(c.Done, c.Sectors), c.Percent);
  }
}

TEST(BurnRules, OneByteFolderShows96AtTheFirstSignal) {
  const uint64_t sectors = ProgressSectors(1, kDataSectorSize);
  EXPECT_EQ(ProgressPercent(static_cast<uint64_t>(ProgressInterval(sectors)), sectors), 96);
}

TEST(BurnRules, DiscTitleJoinsTitleSevenBlanksAndDate) {
  EXPECT_EQ(DiscTitle("Summer Holiday 2026", "12/08/2026"), "Summer Holiday 2026       12/08/2026");
  EXPECT_EQ(DiscTitle("", "12/08/2026"), "12/08/2026");
  EXPECT_EQ(DiscTitle("  Padded\t", "12/08/2026"), "Padded\t       12/08/2026");
}

TEST(BurnRules, DiscTitleIsTrimmedThenCutAt81) {
  const std::string long80(80, 'A');
  // Cut after the trim: the 81st character is the first blank of the gap.
  EXPECT_EQ(DiscTitle(long80, "12/08/2026"), long80 + " ");
  const std::string long100(100, 'B');
  EXPECT_EQ(DiscTitle(long100, "12/08/2026"), std::string(81, 'B'));
}

TEST(BurnRules, TrimRemovesBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(TrimControls(" \t\r\n\x01Title\x1f \x7f"), "Title\x1f \x7f");
  EXPECT_EQ(TrimControls("\x05\x06"), "");
  EXPECT_EQ(TrimControls("a b"), "a b");
}

struct TTagCase {
  const char* Name;
  std::vector<std::string> Tags;
  std::string Title;
};

TEST(BurnRules, TrackTitleFromTagOne) {
  const TTagCase cases[] = {
      {"no tags", {}, ""},
      {"first tag", {"1=Holiday photos"}, "Holiday photos"},
      {"later tag", {"2=Second", "1=First"}, "First"},
      {"first of two", {"1=One", "1=Again"}, "One"},
      {"value trimmed", {"1=  \tSpaced\x02 "}, "Spaced"},
      {"key 10 is not 1", {"10=Ten"}, ""},
      {"value keeps '='", {"1=a=b"}, "a=b"},
      {"cut at 81", {"1=" + std::string(90, 'x')}, std::string(81, 'x')},
  };
  for (const TTagCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(TrackTitle(c.Tags), c.Title);
  }
}

TEST(BurnRules, TagKeysMatchInAnyLetterCase) {
  const std::vector<std::string> tags = {"Artist=Someone", "ALBUM=Summer"};
  EXPECT_EQ(TagValue(tags, "artist"), "Someone");
  EXPECT_EQ(TagValue(tags, "Album"), "Summer");
  EXPECT_EQ(TagValue(tags, "Albums"), "");
}

}  // namespace
}  // namespace qx
