// The ISO 9660 + Joliet writer, checked by reading its images back with peer tools (7-Zip, isoinfo,
// xorriso) where they are installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "core/iso_image.h"
#include "scratch_dir.h"

namespace qx::rwlib {
namespace {

namespace fs = std::filesystem;

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    const int rc = pclose(p);
    if (status) *status = rc;
  }
  return out;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.insert(line);
  return lines;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every file and folder below `root`, as "/relative/path", and the files' contents.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = "/" + fs::relative(e.path(), root).generic_string();
    tree[rel] = e.is_directory() ? std::string("<dir>") : ReadAll(e.path());
  }
  return tree;
}

class IsoImageTest : public ::testing::Test {
protected:
  TScratchDir Work{"iso"};
  fs::path Project() const { return Work.Path() / "project"; }
  fs::path Image() const { return Work.Path() / "disc.iso"; }

  void MakeProject() {
    const fs::path deep =
        Project() / "First level with a long folder name" / "second" / "Third Level" / "4" / "5";
    fs::create_directories(deep);
    fs::create_directories(Project() / "empty folder");
    MakeFile(Project() / "readme.txt", 1234, 1);
    MakeFile(Project() / "empty.bin", 0, 2);
    MakeFile(Project() / "exactly one sector.dat", 2048, 3);
    MakeFile(Project() / "one sector and one byte.dat", 2049, 4);
    MakeFile(Project() / (std::string(100, 'N') + ".longext"), 777, 5);  // 108 characters
    MakeFile(Project() / u8"Gr\u00fc\u00dfe aus K\u00f6ln.txt", 4321, 6);
    MakeFile(deep / "bottom file with a rather long name.data", 150000, 7);
    // 8.3 names that clash in the primary tree.
    MakeFile(Project() / "second" / "Same Name One.txt", 10, 8);
    MakeFile(Project() / "second" / "Same Name Two.txt", 11, 9);
    MakeFile(Project() / "second" / "same name.TXT.bak", 12, 10);
    for (int i = 0; i < 70; ++i)  // the folder's records take more than one sector
      MakeFile(Project() / "many" / ("member file number " + std::to_string(i) + " in the many folder.bin"),
               static_cast<std::size_t>(i * 37), 20u + static_cast<unsigned>(i));
  }
};

TEST_F(IsoImageTest, PeerToolsReadBackEveryFileAndFolder) {
  MakeProject();
  TIsoImage image;
  ASSERT_EQ(image.Plan(Project(), "Holiday 2026", 1781000000), 1);
  std::string error;
  ASSERT_TRUE(image.Write(Image(), -1, &error)) << error;
  EXPECT_EQ(static_cast<int64_t>(fs::file_size(Image())), image.Sectors() * kSectorSize);
  // The Joliet descriptor carries the name as given, in UCS-2 big-endian.
  const std::string svd = ReadAll(Image()).substr(17 * kSectorSize, kSectorSize);
  EXPECT_EQ(svd.substr(0, 6), std::string("\2CD001", 6));
  EXPECT_EQ(svd.substr(88, 3), "%/E");
  std::string volume;
  for (std::size_t i = 40; i < 72; i += 2) volume.push_back(svd[i + 1]);
  EXPECT_EQ(volume, "Holiday 2026    ");

  if (!HaveTool("7z")) GTEST_SKIP() << "7z is not installed";
  const fs::path out = Work.Path() / "extracted";
  int status = -1;
  RunCommand("7z x -y -o" + Quote(out) + " " + Quote(Image()) + " 2>&1", &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(Tree(out), Tree(Project()));

  if (HaveTool("isoinfo")) {
    // The primary descriptor carries the name in d-characters.
    const std::string pvd = RunCommand("isoinfo -d -i " + Quote(Image()));
    EXPECT_NE(pvd.find("Volume id: HOLIDAY_2026\n"), std::string::npos) << pvd;
    EXPECT_NE(pvd.find("Joliet with UCS level 3 found"), std::string::npos) << pvd;
    std::set<std::string> want;
    for (const auto& entry : Tree(Project())) want.insert(entry.first);
    // isoinfo prints Joliet names in Latin-1.
    EXPECT_EQ(Lines(RunCommand("isoinfo -f -J -i " + Quote(Image()) + " | iconv -f latin1 -t utf-8")), want);
    // The primary tree: d-characters, 8.3, unique.
    const std::set<std::string> primary = Lines(RunCommand("isoinfo -f -i " + Quote(Image())));
    EXPECT_EQ(primary.size(), want.size());
    EXPECT_TRUE(primary.count("/SECOND/SAME_NAM.TXT;1")) << RunCommand("isoinfo -f -i " + Quote(Image()));
    EXPECT_TRUE(primary.count("/SECOND/SAME_N~1.TXT;1"));
    EXPECT_TRUE(primary.count("/SECOND/SAME_NAM.BAK;1"));
  }
  if (HaveTool("xorriso")) {
    // xorriso checks the image's structure as it loads it; it reports problems as SORRY or worse.
    const std::string report =
        RunCommand("xorriso -abort_on NEVER -indev " + Quote(Image()) + " -find / -type f 2>&1");
    EXPECT_EQ(report.find("SORRY"), std::string::npos) << report;
    EXPECT_EQ(report.find("FAILURE"), std::string::npos) << report;
    EXPECT_NE(report.find("bottom file with a rather long name.data"), std::string::npos) << report;
  }
}

TEST_F(IsoImageTest, EmptyFolderMakesAValidEmptyDisc) {
  fs::create_directories(Project());
  TIsoImage image;
  ASSERT_EQ(image.Plan(Project(), "", 0), 1);
  ASSERT_TRUE(image.Write(Image(), -1, nullptr));
  if (!HaveTool("isoinfo")) GTEST_SKIP() << "isoinfo is not installed";
  int status = -1;
  EXPECT_EQ(RunCommand("isoinfo -f -J -i " + Quote(Image()), &status), "");
  EXPECT_EQ(status, 0);
}

TEST_F(IsoImageTest, RefusesWhatCannotBeRecorded) {
  TIsoImage image;
  EXPECT_EQ(image.Plan(Project(), "V", 0), 126);  // no such folder
  MakeFile(Project() / (std::string(109, 'x')), 1, 1);
  EXPECT_EQ(image.Plan(Project(), "V", 0), 149);
  fs::remove(Project() / (std::string(109, 'x')));
  EXPECT_EQ(image.Plan(Project(), "bad\tname", 0), 146);
  EXPECT_EQ(image.Plan(Project(), "good name", 0), 1);
  EXPECT_FALSE(image.Write(Work.Path() / "no such folder" / "disc.iso", -1, nullptr));
}

TEST_F(IsoImageTest, ALimitedWriteStopsAfterThatManySectors) {
  MakeProject();
  TIsoImage image;
  ASSERT_EQ(image.Plan(Project(), "V", 0), 1);
  ASSERT_TRUE(image.Write(Image(), 40, nullptr));
  EXPECT_EQ(fs::file_size(Image()), 40u * 2048);
  const std::string part = ReadAll(Image());
  ASSERT_TRUE(image.Write(Image(), -1, nullptr));
  EXPECT_EQ(ReadAll(Image()).substr(0, part.size()), part);
}

}  // namespace
}  // namespace qx::rwlib
