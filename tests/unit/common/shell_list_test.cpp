#include <gtest/gtest.h>

#include "common/shell_list.h"

using namespace qx;

namespace {

std::string Bytes(const char* text, std::size_t size) { return std::string(text, size); }

TEST(ShellListText, EndsInTwoNulsAndDropsATrailingBackslash) {
  EXPECT_EQ(ShellListText(""), Bytes("\0\0", 2));
  EXPECT_EQ(ShellListText("C:\\a.txt"), Bytes("C:\\a.txt\0\0", 10));
  EXPECT_EQ(ShellListText("C:\\dir\\"), Bytes("C:\\dir\0\0\0", 9));
  // a list text already ends in a NUL; its last entry stays intact
  EXPECT_EQ(ShellListText(Bytes("a\0b\0", 4)), Bytes("a\0b\0\0\0", 6));
}

TEST(JoinShellEntries, EachEntryFollowedByOneNul) {
  EXPECT_EQ(JoinShellEntries({}), "");
  EXPECT_EQ(JoinShellEntries({"C:\\a", "C:\\b dir\\c"}), Bytes("C:\\a\0C:\\b dir\\c\0", 16));
  EXPECT_EQ(ShellListText(JoinShellEntries({"C:\\a", "C:\\b"})), Bytes("C:\\a\0C:\\b\0\0\0", 12));
}

TEST(ClearFolderEntries, EveryFoundNameButTheDotEntries) {
  EXPECT_TRUE(ClearFolderEntries("C:\\p\\", {".", ".."}).empty());
  EXPECT_EQ(ClearFolderEntries("C:\\p\\", {".", "..", "a.txt", "sub", ".hidden", "..x"}),
            (std::vector<std::string>{"C:\\p\\a.txt", "C:\\p\\sub", "C:\\p\\.hidden", "C:\\p\\..x"}));
}

}  // namespace
