// Input that no writer produces: listing and expansion end or fail cleanly, never hang, never
// touch memory they do not own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "archive/memory_stream.h"
#include "memory_file_system.h"

using namespace qx;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint16_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A valid two-member archive ("one" 10 bytes, "two" 6 bytes, stored) to damage.
Bytes GoodArchive() {
  MemoryFileSystem fs;
  fs.AddFile("one", Bytes(10, 'o'));
  fs.AddFile("two", Bytes(6, 't'));
  TArchiver a;
  a.FileSystem = &fs;
  TMemoryStream out;
  TStringList list;
  list.Add("one");
  list.Add("two");
  a.CompressFiles(out, list, cmNone);
  return out.Bytes;
}

constexpr size_t kFirst = 21;                 // first member header
constexpr size_t kSecond = 21 + 25 + 3 + 10;  // second member header

enum class Outcome { Nothing, FirstOnly, Both, BadChecksum };

struct Case {
  const char* name;
  std::function<void(Bytes&)> damage;
  int listed;        // entries ScanArchive returns
  Outcome expanded;  // what ExpandFiles does
};

}  // namespace

TEST(ArchiveRobustness, DamagedArchivesEndOrFailCleanly) {
  const Case cases[] = {
      {"intact", [](Bytes&) {}, 2, Outcome::Both},
      {"cut inside the archive header", [](Bytes& b) { b.resize(20); }, 0, Outcome::Nothing},
      {"cut inside the first member header", [](Bytes& b) { b.resize(kFirst + 24); }, 0, Outcome::Nothing},
      {"cut inside the first name", [](Bytes& b) { b.resize(kFirst + 25 + 2); }, 0, Outcome::Nothing},
      {"cut inside the first data", [](Bytes& b) { b.resize(kFirst + 25 + 3 + 4); }, 1, Outcome::BadChecksum},
      {"cut inside the second header", [](Bytes& b) { b.resize(kSecond + 10); }, 1, Outcome::FirstOnly},
      {"negative name length", [](Bytes& b) { Put16(b, kFirst, 0xFFFE); }, 0, Outcome::Nothing},
      {"name length past the end", [](Bytes& b) { Put16(b, kFirst, 0x7FFF); }, 0, Outcome::Nothing},
      {"compressed size stepping back onto its own header",
       [](Bytes& b) { Put32(b, kFirst + 12, uint32_t(-(25 + 3))); }, 1, Outcome::BadChecksum},
      {"compressed size stepping back before the archive",
       [](Bytes& b) { Put32(b, kFirst + 12, 0x80000000u); }, 1, Outcome::BadChecksum},
      {"compressed size past the end", [](Bytes& b) { Put32(b, kFirst + 12, 0x7FFFFFFF); }, 1,
       Outcome::BadChecksum},
      {"second compressed size past the end", [](Bytes& b) { Put32(b, kSecond + 12, 1000); }, 2,
       Outcome::BadChecksum},
      {"negative uncompressed size", [](Bytes& b) { Put32(b, kFirst + 8, 0xFFFFFFF0u); }, 2,
       Outcome::BadChecksum},
      {"huge uncompressed size", [](Bytes& b) { Put32(b, kFirst + 8, 0x7FFFFFFF); }, 2, Outcome::FirstOnly},
      {"unknown method index", [](Bytes& b) { b[kFirst + 16] = 200; }, 2, Outcome::BadChecksum},
      {"negative total", [](Bytes& b) { Put32(b, 8, 0x80000000u); }, 2, Outcome::Nothing},
      {"total beyond the members", [](Bytes& b) { Put32(b, 8, 0x7FFFFFFF); }, 2, Outcome::Both},
      {"total of the first member only", [](Bytes& b) { Put32(b, 8, 10); }, 2, Outcome::FirstOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes archive = GoodArchive();
    c.damage(archive);

    TArchiver a;
    MemoryFileSystem fs;
    a.FileSystem = &fs;
    TMemoryStream scanIn(archive);
    TStringList listing;
    EXPECT_NO_THROW(a.ScanArchive(scanIn, listing));
    EXPECT_EQ(listing.Count(), c.listed);
    TArchiver::FreeFileList(&listing);

    TMemoryStream in(archive);
    bool bad = false;
    try {
      a.ExpandFiles(in);
    } catch (const EBadChecksum&) {
      bad = true;
    }
    EXPECT_EQ(bad, c.expanded == Outcome::BadChecksum);
    const bool one = fs.Files.count("one") && fs.Files.at("one").Bytes == Bytes(10, 'o');
    const bool two = fs.Files.count("two") && fs.Files.at("two").Bytes == Bytes(6, 't');
    switch (c.expanded) {
      case Outcome::Nothing: EXPECT_TRUE(fs.Files.empty()); break;
      case Outcome::FirstOnly: EXPECT_TRUE(one && !fs.Files.count("two")); break;
      case Outcome::Both: EXPECT_TRUE(one && two); break;
      case Outcome::BadChecksum: EXPECT_FALSE(two); break;
    }
  }
}

TEST(ArchiveRobustness, RleMemberCannotBlowUpBeyondItsRuns) {
  // 2,000 marker pairs each asking for 254 copies: the output is bounded by the data given.
  Bytes data;
  for (int i = 0; i < 2000; ++i) data.insert(data.end(), {0x94, 0xFF});
  Bytes archive(21 + 25 + 1);
  const char head[] =
      "KELV\x1A"
      "RLE";
  std::copy(head, head + 8, archive.begin());
  Put32(archive, 8, 0x7FFFFFFF);
  archive[12] = 1;
  Put16(archive, 21, 1);
  Put32(archive, 21 + 8, 0x7FFFFFFF);
  Put32(archive, 21 + 12, static_cast<uint32_t>(data.size()));
  archive[21 + 16] = cmRLE;
  archive[21 + 25] = 'r';
  archive.insert(archive.end(), data.begin(), data.end());
  TArchiver a;
  MemoryFileSystem fs;
  a.FileSystem = &fs;
  TMemoryStream in(archive);
  EXPECT_THROW(a.ExpandFiles(in), EBadChecksum);
  EXPECT_EQ(fs.Files.at("r").Bytes.size(), 2000u * 254u);
}

// Past the end of its data a coded member reads zero bits, which decode into zero bytes that add
// nothing to the checksum: a size field claiming more than the data holds (one flipped bit in
// a payload) must fail, not expand into up to 2 GB of zeros that pass as the member.
TEST(ArchiveRobustness, CodedMemberClaimingMoreThanItsDataFails) {
  Bytes text;
  for (int i = 0; i < 30000; ++i) text.push_back(uint8_t("every method shrinks this "[i % 26] + i / 5000));
  struct Claim {
    TCompressMethod method;
    int32_t key;
    uint32_t size;
  };
  const Claim claims[] = {{cmLH5, 0, 30001},      {cmLH5, 0, 0x40000000}, {cmLH5, 0, 0x7FFFFFFF},
                          {cmLZH, 0, 30001},      {cmLZH, 0, 0x7FFFFFFF}, {cmLH5, 77, 0x7FFFFFFF},
                          {cmLZH, 77, 0x7FFFFFFF}};
  for (const Claim& c : claims) {
    SCOPED_TRACE(testing::Message() << MethodId(c.method) << " key " << c.key << " size " << c.size);
    MemoryFileSystem source;
    source.AddFile("f", text);
    TArchiver a;
    a.FileSystem = &source;
    a.Key = c.key;
    TMemoryStream out;
    TStringList list;
    list.Add("f");
    a.CompressFiles(out, list, c.method);
    Bytes archive = out.Bytes;
    ASSERT_EQ(archive[kFirst + 16], c.method);
    Put32(archive, 8, c.size);
    Put32(archive, kFirst + 8, c.size);

    MemoryFileSystem target;
    a.FileSystem = &target;
    TMemoryStream in(archive);
    if (c.key)
      EXPECT_THROW(a.ExpandFiles(in), EInvalidKey);
    else
      EXPECT_THROW(a.ExpandFiles(in), EBadChecksum);
    // What was written before the failure stays (unless the member was locked), but not more
    // than one window and one block past the real data.
    if (target.Files.count("f")) EXPECT_LT(target.Files.at("f").Bytes.size(), text.size() + 100000);
  }
}

TEST(ArchiveRobustness, ThousandsOfSeparatorsDoNotExhaustTheFolderWalk) {
  MemoryFileSystem fs;
  fs.AddFile("f", Bytes{1});
  TArchiver a;
  a.FileSystem = &fs;
  a.OnCheckFile = [](std::string& name, TCProcessMode) { name = std::string(5000, '\\') + "x"; };
  TMemoryStream out;
  TStringList list;
  list.Add("f");
  a.CompressFiles(out, list, cmNone);
  a.OnCheckFile = nullptr;
  a.MakeDirectories = true;
  out.SetPosition(0);
  a.ExpandFiles(out);
  EXPECT_EQ(fs.CreatedFolders.size(), 5000u - 3);
}
