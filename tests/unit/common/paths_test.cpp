#include <gtest/gtest.h>

#include "common/paths.h"

using namespace qx;

namespace {

const std::string kFolder = "C:\\Users\\Me\\Temp\\";

TEST(AppPathIn, BareNamesGoIntoTheAppletFolderOnce) {
  const std::string path = AppPathIn(kFolder, "RwLib.dll");
  EXPECT_EQ(path, "C:\\Users\\Me\\Temp\\RwLib.dll");
  EXPECT_EQ(AppPathIn(kFolder, path), path);
}

TEST(AppPathIn, OtherFoldersGetTheAppletFolderInFront) {
  // letter case counts: the same folder in other case is "another" folder
  EXPECT_EQ(AppPathIn(kFolder, "c:\\users\\me\\temp\\RwLib.dll"), kFolder + "c:\\users\\me\\temp\\RwLib.dll");
  EXPECT_EQ(AppPathIn(kFolder, "D:\\x\\a.txt"), kFolder + "D:\\x\\a.txt");
  // a subfolder of the applet folder is not the applet folder
  EXPECT_EQ(AppPathIn(kFolder, kFolder + "sub\\a.txt"), kFolder + kFolder + "sub\\a.txt");
}

TEST(FolderPart, UpToAndIncludingTheLastBackslash) {
  EXPECT_EQ(FolderPart("a.txt"), "");
  EXPECT_EQ(FolderPart("C:\\a.txt"), "C:\\");
  EXPECT_EQ(FolderPart("C:\\x\\"), "C:\\x\\");
}

TEST(IncludeBackslash, AppendsOnlyWhereMissing) {
  EXPECT_EQ(IncludeBackslash(""), "");
  EXPECT_EQ(IncludeBackslash("C:\\"), "C:\\");
  EXPECT_EQ(IncludeBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(IncludeBackslash("x\\"), "x\\");
}

}  // namespace
