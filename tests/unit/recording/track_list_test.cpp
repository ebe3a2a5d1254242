#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "recording/track_list.h"

namespace qx {
namespace {

TEST(TrackListTest, SingleTrackFillsEntryZeroAndCutsTitlesAndPath) {
  auto list = std::make_unique<TTrackList>();
  std::memset(list.get(), 0x5A, sizeof *list);  // whatever was there before must not leak through
  const std::string path(300, 'p'), title(100, 't'), disc(82, 'd');
  FillSingleTrack(*list, path, 0x1'2345'6789ull, title, disc);
  EXPECT_EQ(list->PathCount, 1);
  EXPECT_EQ(list->TrackCount, 1);
  EXPECT_EQ(list->TrackFlags[0], 0);
  EXPECT_EQ(list->TrackSizes[0], 0x2345'6789u);  // the low 32 bits of the size
  EXPECT_EQ(std::string(list->Paths[0]), std::string(259, 'p'));
  EXPECT_EQ(std::string(list->TrackTitles[0]), std::string(81, 't'));
  EXPECT_EQ(std::string(list->DiscTitle), std::string(81, 'd'));
  EXPECT_EQ(list->Paths[1][0], 0);
  EXPECT_EQ(list->TrackTitles[1][0], 0);
}

TEST(TrackListTest, ShortTextsAreKeptWholeAndZeroFilled) {
  auto list = std::make_unique<TTrackList>();
  std::memset(list.get(), 0x5A, sizeof *list);
  SetTrackPath(*list, 3, "C:\\Project");
  SetTrackTitle(*list, 3, std::string(81, 'x'));
  SetDiscTitle(*list, "");
  EXPECT_EQ(std::string(list->Paths[3]), "C:\\Project");
  for (std::size_t i = 10; i < kTrackPathSize; ++i) ASSERT_EQ(list->Paths[3][i], 0) << i;
  EXPECT_EQ(std::string(list->TrackTitles[3]), std::string(81, 'x'));
  EXPECT_EQ(list->DiscTitle[0], 0);
  // Outside the 99 entries nothing is written.
  SetTrackPath(*list, 99, "beyond");
  SetTrackTitle(*list, 99, "beyond");
  EXPECT_EQ(list->DiscTitle[0], 0);
}

TEST(TrackListTest, FieldsSitAtTheirByteOffsets) {
  // The layout is asserted at compile time; this reads the bytes as the library would.
  auto list = std::make_unique<TTrackList>();
  FillSingleTrack(*list, "P", 0x0A0B0C0D, "T", "D");
  const auto* bytes = reinterpret_cast<const unsigned char*>(list.get());
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[4], 'P');
  EXPECT_EQ(bytes[26140], 1);
  EXPECT_EQ(bytes[26144], 0x0D);  // little-endian
  EXPECT_EQ(bytes[26147], 0x0A);
  EXPECT_EQ(bytes[26540], 'T');
  EXPECT_EQ(bytes[34658], 'D');
  EXPECT_EQ(sizeof(TTrackList), 34740u);
}

}  // namespace
}  // namespace qx
