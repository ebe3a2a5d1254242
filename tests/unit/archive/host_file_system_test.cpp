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
    OldTz = old ? old : "";
    HadTz = old != nullptr;
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    Dir = stdfs::temp_directory_path() / ("qx_host_fs_" + std::to_string(::getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    stdfs::remove_all(Dir);
    stdfs::create_directories(Dir);
    Base = Fs.FromHostPath(Dir.string()) + "\\";
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::permissions(Dir / "ro", stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    stdfs::remove_all(Dir, ec);
    if (HadTz)
      setenv("TZ", OldTz.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

  TFileSystem& Fs = HostFileSystem();
  stdfs::path Dir;
  std::string Base;
  std::string OldTz;
  bool HadTz = false;
};

}  // namespace

TEST_F(HostFiles, DosDatesAreLocalTime) {
  // 2021-07-04 13:45:30 in New York summer time is 17:45:30 UTC.
  const uint32_t packed = PackDosDateTime({2021, 7, 4, 13, 45, 30});
  EXPECT_EQ(packed, (uint32_t(41) << 25 | 7u << 21 | 4u << 16 | 13u << 11 | 45u << 5 | 15u));
  {
    auto f = Fs.Create(Base + "dated");
    ASSERT_TRUE(f->SetDosDateTime(packed));
  }
  struct stat st;
  ASSERT_EQ(::stat((Dir / "dated").c_str(), &st), 0);
  std::tm utc{};
  const time_t when = st.st_mtime;
  gmtime_r(&when, &utc);
  EXPECT_EQ(utc.tm_hour, 17);
  EXPECT_EQ(utc.tm_min, 45);
  EXPECT_EQ(utc.tm_sec, 30);
  EXPECT_EQ(Fs.OpenRead(Base + "dated")->GetDosDateTime(), packed);

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
      Fs.Create(Base + "dated")->WriteBuffer("d", 1);
    }
    ASSERT_EQ(::utimensat(AT_FDCWD, (Dir / "dated").c_str(), times, 0), 0);
    EXPECT_EQ(Fs.OpenRead(Base + "dated")->GetDosDateTime(), c.stored);
  }
}

TEST_F(HostFiles, AttributesKeepReadOnlyAndFolders) {
  { Fs.Create(Base + "ro")->WriteBuffer("x", 1); }
  EXPECT_EQ(Fs.GetAttributes(Base + "ro"), 0x20);
  ASSERT_TRUE(Fs.SetAttributes(Base + "ro", 0x21));
  EXPECT_EQ(Fs.GetAttributes(Base + "ro"), 0x21);
  ASSERT_TRUE(Fs.SetAttributes(Base + "ro", 0x20));
  EXPECT_EQ(Fs.GetAttributes(Base + "ro"), 0x20);
  EXPECT_EQ(Fs.GetAttributes(Base), 0x10);
  EXPECT_EQ(Fs.GetAttributes(Base + "none"), -1);
}

TEST_F(HostFiles, FilesAndFoldersThroughArchivePaths) {
  EXPECT_TRUE(Fs.CreateFolder(Base + "sub"));
  EXPECT_TRUE(Fs.FolderExists(Base + "sub"));
  EXPECT_FALSE(Fs.FileExists(Base + "sub"));
  { Fs.Create(Base + "sub\\f")->WriteBuffer("hello", 5); }
  EXPECT_TRUE(stdfs::exists(Dir / "sub" / "f"));
  EXPECT_EQ(Fs.FileSize(Base + "sub\\f"), 5);
  EXPECT_THROW(Fs.OpenRead(Base + "sub"), EFOpenError);
  EXPECT_THROW(Fs.OpenRead(Base + "missing"), EFOpenError);
  EXPECT_THROW(Fs.Create(Base + "missing\\f"), EFCreateError);
  EXPECT_GT(Fs.FreeSpace(""), 0);
  EXPECT_TRUE(Fs.RemoveFile(Base + "sub\\f"));
  EXPECT_FALSE(Fs.FileExists(Base + "sub\\f"));
}

TEST_F(HostFiles, ArchiveRoundTripOnDisk) {
  stdfs::create_directories(Dir / "src" / "deep");
  { Fs.Create(Base + "src\\deep\\a.txt")->WriteBuffer("aaaaaaaaaab", 11); }
  {
    auto f = Fs.Create(Base + "src\\b.bin");
    f->WriteBuffer("\x94\x94\x94", 3);
    f->SetDosDateTime(PackDosDateTime({1999, 12, 31, 23, 59, 58}));
  }
  Fs.SetAttributes(Base + "src\\b.bin", 0x21);
  TArchiver a;
  a.SetTargetPath(Base + "src");
  TStringList files;
  files.Add(Base + "src\\deep\\a.txt");
  files.Add(Base + "src\\b.bin");
  {
    auto archive = Fs.Create(Base + "x.qx");
    a.CompressFiles(*archive, files, cmRLE);
  }
  a.SetTargetPath(Base + "out");
  a.MakeDirectories = true;
  {
    auto archive = Fs.OpenRead(Base + "x.qx");
    a.ExpandFiles(*archive);
  }
  EXPECT_EQ(Fs.FileSize(Base + "out\\deep\\a.txt"), 11);
  EXPECT_EQ(Fs.GetAttributes(Base + "out\\b.bin"), 0x21);
  EXPECT_EQ(Fs.OpenRead(Base + "out\\b.bin")->GetDosDateTime(), PackDosDateTime({1999, 12, 31, 23, 59, 58}));
  Fs.SetAttributes(Base + "out\\b.bin", 0x20);
  Fs.SetAttributes(Base + "src\\b.bin", 0x20);
}
