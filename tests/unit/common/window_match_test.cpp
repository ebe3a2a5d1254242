#include <gtest/gtest.h>

#include "common/window_match.h"

using namespace qx;

namespace {

TEST(WindowMatches, TitleContainsTheTextWithLetterCase) {
  struct TCase {
    const char* title;
    const char* className;
    const char* wantedClass;
    bool matches;
  } cases[] = {
      {"CD Player", "Player", "", true},
      {"Deluxe CD Player - [Track 1]", "X", "", true},
      {"cd player", "X", "", false},
      {"CD PLAYER", "X", "", false},
      {"", "CD Player", "", false},  // windows without a title never match
      {"CD Player", "DeluxeCDPlayerClass", "CDPlayer", true},
      {"CD Player", "DeluxeCDPlayerClass", "cdplayer", false},
      {"CD Player", "", "CDPlayer", false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(WindowMatches(c.title, c.className, "CD Player", c.wantedClass), c.matches)
        << c.title << " / " << c.className << " / " << c.wantedClass;
}

TEST(WindowMatches, OnlyWhatThePlatformReadsCounts) {
  // A title is read into a 255-byte buffer: text beyond character 254 is never seen.
  const std::string padding(kWindowTextLimit - 4, 'x');
  EXPECT_TRUE(WindowMatches(padding + "CD P", "", "CD P", ""));
  EXPECT_FALSE(WindowMatches(padding + "CD Player", "", "CD Player", ""));
  EXPECT_FALSE(WindowMatches("CD Player", padding + "Class", "CD Player", "Class"));
}

}  // namespace
