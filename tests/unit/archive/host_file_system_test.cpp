// The host adapter of the file-system interface, on real files in a scratch folder. The time
// zone is pinned to one with daylight saving so that local DOS times are really converted.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "archive/archiver.h"
#include "archive/file_system.h"

using namespace qx;
namespace stdfs = std::filesystem;

namespace {

class HostFiles : public ::testing::Test {
protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    oldTz_ = old ? old : "";
    hadTz_ = old != nullptr;
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    dir_ = stdfs::temp_directory_path() / ("qx_host_fs_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    stdfs::remove_all(dir_);
    stdfs::create_directories(dir_);
    base_ = fs_.FromHostPath(dir_.string()) + "\\";
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::permissions(dir_ / "ro", stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    stdfs::remove_all(dir_, ec);
    if (hadTz_)
      setenv("TZ", oldTz_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

  TFileSystem& fs_ = HostFileSystem();
  stdfs::path dir_;
  std::string base_;
  std::string oldTz_;
  bool hadTz_ = false;
};

}  // namespace

TEST_F(HostFiles, DosDatesAreLocalTime) {
  // 2021-07-04 13:45:30 in New York summer time is 17:45:30 UTC.
  const uint32_t packed = PackDosDateTime({2021, 7, 4, 13, 45, 30});
  EXPECT_EQ(packed, (uint32_t(41) << 25 | 7u << 21 | 4u << 16 | 13u << 11 | 45u << 5 | 15u));
  {
    auto f = fs_.Create(base_ + "dated");
    ASSERT_TRUE(f->SetDosDateTime(packed));
  }
  struct stat st;
  ASSERT_EQ(::stat((dir_ / "dated").c_str(), &st), 0);
  std::tm utc{};
  const time_t when = st.st_mtime;
  gmtime_r(&when, &utc);
  EXPECT_EQ(utc.tm_hour, 17);
  EXPECT_EQ(utc.tm_min, 45);
  EXPECT_EQ(utc.tm_sec, 30);
  EXPECT_EQ(fs_.OpenRead(base_ + "dated")->GetDosDateTime(), packed);

  // Odd seconds round down to the two-second step; years before 1980 pin to its start.
  EXPECT_EQ(UnpackDosDateTime(PackDosDateTime({2000, 1, 2, 3, 4, 59})).Second, 58);
  EXPECT_EQ(PackDosDateTime({1970, 1, 1, 0, 0, 0}), PackDosDateTime({1980, 1, 1, 0, 0, 0}));
}

// A DOS date says 1980 to 2107. Outside it every host stores the nearest end, so that an archive
// comes out byte for byte the same whichever host wrote it.
TEST_F(HostFiles, DatesOutsideTheDosRangeAreStoredAsItsEnds) {
  const uint32_t first = PackDosDateTime({1980, 1, 1, 0, 0, 0});
  const uint32_t last = PackDosDateTime({2107, 12, 31, 23, 59, 58});
  EXPECT_EQ(first, 0x00210000u);
  EXPECT_EQ(last, 0xFF9FBF7Du);
  struct Case {
    const char* name;
    TDosDateTime local;
    uint32_t stored;
  };
  const Case cases[] = {
      {"the epoch", {1970, 1, 1, 0, 0, 0}, first},
      {"the last day before 1980", {1979, 12, 31, 23, 59, 59}, first},
      {"the first second", {1980, 1, 1, 0, 0, 0}, first},
      {"the last second", {2107, 12, 31, 23, 59, 59}, last},
      {"a summer day of 2108", {2108, 7, 4, 12, 0, 0}, last},
      {"the year 2200", {2200, 1, 1, 0, 0, 0}, last},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PackDosDateTime(c.local), c.stored);
    // The same local time on a real file, read back through the adapter.
    std::tm local{};
    local.tm_year = c.local.Year - 1900;
    local.tm_mon = c.local.Month - 1;
    local.tm_mday = c.local.Day;
    local.tm_hour = c.local.Hour;
    local.tm_min = c.local.Minute;
    local.tm_sec = c.local.Second;
    local.tm_isdst = -1;
    struct timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    {
      fs_.Create(base_ + "dated")->WriteBuffer("d", 1);
    }
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ / "dated").c_str(), times, 0), 0);
    EXPECT_EQ(fs_.OpenRead(base_ + "dated")->GetDosDateTime(), c.stored);
  }
}

TEST_F(HostFiles, AttributesKeepReadOnlyAndFolders) {
  { fs_.Create(base_ + "ro")->WriteBuffer("x", 1); }
  EXPECT_EQ(fs_.GetAttributes(base_ + "ro"), 0x20);
  ASSERT_TRUE(fs_.SetAttributes(base_ + "ro", 0x21));
  EXPECT_EQ(fs_.GetAttributes(base_ + "ro"), 0x21);
  ASSERT_TRUE(fs_.SetAttributes(base_ + "ro", 0x20));
  EXPECT_EQ(fs_.GetAttributes(base_ + "ro"), 0x20);
  EXPECT_EQ(fs_.GetAttributes(base_), 0x10);
  EXPECT_EQ(fs_.GetAttributes(base_ + "none"), -1);
}

TEST_F(HostFiles, FilesAndFoldersThroughArchivePaths) {
  EXPECT_TRUE(fs_.CreateFolder(base_ + "sub"));
  EXPECT_TRUE(fs_.FolderExists(base_ + "sub"));
  EXPECT_FALSE(fs_.FileExists(base_ + "sub"));
  { fs_.Create(base_ + "sub\\f")->WriteBuffer("hello", 5); }
  EXPECT_TRUE(stdfs::exists(dir_ / "sub" / "f"));
  EXPECT_EQ(fs_.FileSize(base_ + "sub\\f"), 5);
  EXPECT_THROW(fs_.OpenRead(base_ + "sub"), EFOpenError);
  EXPECT_THROW(fs_.OpenRead(base_ + "missing"), EFOpenError);
  EXPECT_THROW(fs_.Create(base_ + "missing\\f"), EFCreateError);
  EXPECT_GT(fs_.FreeSpace(""), 0);
  EXPECT_TRUE(fs_.RemoveFile(base_ + "sub\\f"));
  EXPECT_FALSE(fs_.FileExists(base_ + "sub\\f"));
}

TEST_F(HostFiles, ArchiveRoundTripOnDisk) {
  stdfs::create_directories(dir_ / "src" / "deep");
  { fs_.Create(base_ + "src\\deep\\a.txt")->WriteBuffer("aaaaaaaaaab", 11); }
  {
    auto f = fs_.Create(base_ + "src\\b.bin");
    f->WriteBuffer("\x94\x94\x94", 3);
    f->SetDosDateTime(PackDosDateTime({1999, 12, 31, 23, 59, 58}));
  }
  fs_.SetAttributes(base_ + "src\\b.bin", 0x21);
  TArchiver a;
  a.SetTargetPath(base_ + "src");
  TStringList files;
  files.Add(base_ + "src\\deep\\a.txt");
  files.Add(base_ + "src\\b.bin");
  {
    auto archive = fs_.Create(base_ + "x.qx");
    a.CompressFiles(*archive, files, cmRLE);
  }
  a.SetTargetPath(base_ + "out");
  a.MakeDirectories = true;
  {
    auto archive = fs_.OpenRead(base_ + "x.qx");
    a.ExpandFiles(*archive);
  }
  EXPECT_EQ(fs_.FileSize(base_ + "out\\deep\\a.txt"), 11);
  EXPECT_EQ(fs_.GetAttributes(base_ + "out\\b.bin"), 0x21);
  EXPECT_EQ(fs_.OpenRead(base_ + "out\\b.bin")->GetDosDateTime(),
            PackDosDateTime({1999, 12, 31, 23, 59, 58}));
  fs_.SetAttributes(base_ + "out\\b.bin", 0x20);
  fs_.SetAttributes(base_ + "src\\b.bin", 0x20);
}
