// TArchiver over an in-memory file system: the byte layout, the name rules, selection, events,
// settings and every exception with its message.
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

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Noise(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& x : b) {
    seed = seed * 1103515245u + 12345u;
    x = static_cast<uint8_t>(seed >> 16);
  }
  return b;
}
std::vector<std::string> Strings(const TStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}
TStringList ListOf(const std::vector<std::string>& items) {
  TStringList list;
  for (const auto& s : items) list.Add(s);
  return list;
}

class Archive : public ::testing::Test {
protected:
  void SetUp() override { arc.FileSystem = &fs; }

  // Writes an archive of the given source paths; names the list ends with go to storedNames.
  Bytes Write(const std::vector<std::string>& paths, TCompressMethod method,
              std::vector<std::string>* storedNames = nullptr) {
    TMemoryStream out;
    TStringList list = ListOf(paths);
    LastRun = arc.CompressFiles(out, list, method);
    if (storedNames) *storedNames = Strings(list);
    return out.Bytes;
  }
  void Expand(const Bytes& archive, TStringList* selection = nullptr) {
    TMemoryStream in(archive);
    LastRun = arc.ExpandFiles(in, selection);
  }
  const Bytes& FileBytes(const std::string& path) { return fs.Files.at(path).Bytes; }

  MemoryFileSystem fs;
  TArchiver arc;
  TArchiveRun LastRun;  // what the last Write or Expand returned
};

const Bytes kAAAB = {0x41, 0x41, 0x41, 0x42};

}  // namespace

TEST_F(Archive, EmptyFileListWritesTheTwentyOneHeaderBytes) {
  struct Case {
    TCompressMethod method;
    int32_t key;
    Bytes expected;
  };
  const Case cases[] = {
      {cmNone, 0,
       Cat({Text("KELV\x1A"
                 "NON"),
            Le32(0),
            {1},
            Le32(0),
            Le32(0)})},
      {cmLH5, 0,
       Cat({Text("KELV\x1A"
                 "LH5"),
            Le32(0),
            {1},
            Le32(0),
            Le32(0)})},
      {cmRLE, 7,
       Cat({Text("KELV\x1A"
                 "RLE"),
            Le32(0),
            {1},
            Le32(0),
            Le32(2)})},
  };
  for (const Case& c : cases) {
    arc.Key = c.key;
    TMemoryStream out;
    TStringList none;
    arc.CompressFiles(out, none, c.method);
    EXPECT_EQ(out.Bytes, c.expected);
    EXPECT_EQ(out.Position(), 21);
    Expand(out.Bytes);
    EXPECT_TRUE(fs.Created.empty());
  }
}

TEST_F(Archive, MemberHeaderOfAKnownFile) {
  fs.AddFile("C:\\data\\a.txt", kAAAB, 0x5A2B6C3D, 0x21);
  arc.SetTargetPath("C:\\data");
  std::vector<std::string> names;
  const Bytes archive = Write({"C:\\data\\a.txt"}, cmRLE, &names);
  const Bytes expected = Cat({Text("KELV\x1A"
                                   "RLE"),
                              Le32(4),
                              {1},
                              Le32(0),
                              Le32(0),  // archive
                              {5, 0},
                              Le32(0x5A2B6C3D),
                              {0x21, 0},
                              Le32(4),
                              Le32(4),
                              {1},
                              Le32(0x41 * 3 + 0x42),
                              Le32(0),
                              Text("a.txt"),               // member header
                              {0x41, 0x94, 0x03, 0x42}});  // data
  EXPECT_EQ(archive, expected);
  EXPECT_EQ(names, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(LastRun.LastPercentage, 100);
}

TEST_F(Archive, KeyLocksScramblesAndOffsetsTheChecksum) {
  fs.AddFile("a", kAAAB, 0x5A2B6C3D, 0x20);
  arc.Key = 0x100;
  const Bytes archive = Write({"a"}, cmRLE);
  const Bytes expected = Cat({Text("KELV\x1A"
                                   "RLE"),
                              Le32(4),
                              {1},
                              Le32(0),
                              Le32(2),
                              {1, 0},
                              Le32(0x5A2B6C3D),
                              {0x20, 0},
                              Le32(4),
                              Le32(4),
                              {1},
                              Le32(0x41 * 3 + 0x42 + 0x100),
                              Le32(2),
                              Text("a"),
                              {0x41, 0x94 ^ 0x01, 0x03, 0x42}});
  EXPECT_EQ(archive, expected);
}

TEST_F(Archive, RoundTripKeepsBytesDatesAndAttributes) {
  const Bytes big = Cat({Noise(5000, 1), Bytes(3000, 'x'), Noise(20000, 2)});
  for (TCompressMethod method : {cmNone, cmRLE}) {
    for (int32_t key : {0, 1234567, -5}) {
      SCOPED_TRACE(testing::Message() << "method " << int(method) << " key " << key);
      fs = MemoryFileSystem();
      fs.AddFile("src\\big.bin", big, 0x4B3A2C10, 0x21);
      fs.AddFile("src\\sub\\empty", {}, 0x3C210000, 0x22);
      fs.AddFile("src\\sub\\runs", Cat({Bytes(700, 0), Bytes(10, 0x94), Text("abc")}), 0x21000000, 0x20);
      arc.Key = key;
      arc.SetTargetPath("src");
      std::vector<std::string> names;
      const Bytes archive = Write({"src\\big.bin", "src\\sub\\empty", "src\\sub\\runs"}, method, &names);
      EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "sub\\empty", "sub\\runs"}));
      arc.SetTargetPath("out");
      TStringList all = ListOf({"BIG.BIN", "sub\\EMPTY", "SUB\\runs"});
      Expand(archive, &all);
      EXPECT_EQ(Strings(all),
                (std::vector<std::string>{"out\\big.bin", "out\\sub\\empty", "out\\sub\\runs"}));
      for (const char* n : {"big.bin", "sub\\empty", "sub\\runs"}) {
        const auto& src = fs.Files.at(std::string("src\\") + n);
        const auto& dst = fs.Files.at(std::string("out\\") + n);
        EXPECT_EQ(dst.Bytes, src.Bytes) << n;
        EXPECT_EQ(dst.DosDate, src.DosDate) << n;
        EXPECT_EQ(dst.Attributes, src.Attributes) << n;
      }
    }
  }
}

TEST_F(Archive, MemberThatCannotShrinkIsStoredUnderTheArchiveId) {
  struct Case {
    const char* name;
    Bytes data;
    int32_t key;
  };
  const Case cases[] = {{"noise", Noise(3000, 9), 0},
                        {"ten markers", Bytes(10, 0x94), 0},
                        {"ten markers, keyed", Bytes(10, 0x94), 0x0A0B0C0D}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs = MemoryFileSystem();
    fs.AddFile("f", c.data);
    arc.Key = c.key;
    const Bytes archive = Write({"f"}, cmRLE);
    ASSERT_EQ(archive.size(), 21 + 25 + 1 + c.data.size());
    EXPECT_EQ(std::string(archive.begin() + 5, archive.begin() + 8), "RLE");
    EXPECT_EQ(archive[21 + 16], cmNone);  // method index
    EXPECT_EQ(Bytes(archive.begin() + 21 + 12, archive.begin() + 21 + 16), Le32(c.data.size()));
    Bytes data(archive.begin() + 47, archive.end());
    for (size_t i = 0; i < data.size(); ++i) data[i] ^= uint8_t(uint32_t(c.key) >> (8 * (i % 4)));
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(LastRun.LastPercentage, 100);
    Expand(archive);
    EXPECT_EQ(FileBytes("f"), c.data);
  }
}

TEST_F(Archive, ZeroLengthFileHasChecksumEqualToTheKey) {
  fs.AddFile("z", {});
  arc.Key = 99;
  const Bytes archive = Write({"z"}, cmRLE);
  EXPECT_EQ(Bytes(archive.begin() + 21 + 8, archive.begin() + 21 + 16), Cat({Le32(0), Le32(0)}));
  EXPECT_EQ(Bytes(archive.begin() + 21 + 17, archive.begin() + 21 + 21), Le32(99));
  EXPECT_EQ(LastRun.LastPercentage, 100);
  fs.Files.at("z").Bytes = {1, 2};
  Expand(archive);
  EXPECT_TRUE(FileBytes("z").empty());
}

// Empty files after the total still expand, but bytes that merely follow an archive (here zero
// padding, which reads like nameless empty members) create nothing.
TEST_F(Archive, TrailingEmptyMembersExpandAndPaddingDoesNot) {
  fs.AddFile("a", {7, 7, 7});
  fs.AddFile("z", {});
  Bytes archive = Write({"a", "z"}, cmNone);
  archive.insert(archive.end(), 100, 0);
  fs.Files.erase("a");
  fs.Files.erase("z");
  fs.Created.clear();
  Expand(archive);
  EXPECT_EQ(fs.Created, (std::vector<std::string>{"a", "z"}));
  EXPECT_TRUE(FileBytes("z").empty());
}

TEST_F(Archive, StoredNamesFollowTheTargetPathRule) {
  const std::string longTail(12000, 'n');
  struct Case {
    std::string target, source, stored, expandTarget, expandedAs;
  };
  const Case cases[] = {
      {"C:\\data\\", "C:\\data\\a.txt", "a.txt", "E:\\out", "E:\\out\\a.txt"},
      {"c:\\DATA", "C:\\data\\sub\\a.txt", "sub\\a.txt", "E:\\out\\", "E:\\out\\sub\\a.txt"},
      {"D:\\other\\", "C:\\data\\a.txt", "\\data\\a.txt", "E:\\out", "\\data\\a.txt"},
      {"", "C:\\data\\a.txt", "\\data\\a.txt", "", "\\data\\a.txt"},
      {"", "rel\\a.txt", "rel\\a.txt", "", "rel\\a.txt"},
      {"C:\\d\\", "C:\\d\\" + longTail, longTail.substr(0, 9999), "", longTail.substr(0, 9999)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source.substr(0, 40));
    fs = MemoryFileSystem();
    fs.AddFile(c.source, Text("x"));
    arc.SetTargetPath(c.target);
    std::vector<std::string> names;
    const Bytes archive = Write({c.source}, cmNone, &names);
    EXPECT_EQ(names, std::vector<std::string>{c.stored});
    arc.SetTargetPath(c.expandTarget);
    TStringList all = ListOf({c.stored});
    Expand(archive, &all);
    EXPECT_EQ(Strings(all), std::vector<std::string>{c.expandedAs});
  }
}

TEST(ArchiverNames, StripDriveRemovesOnlyALeadingDriveOfALongerName) {
  const std::pair<const char*, const char*> cases[] = {{"C:", "C:"},   {"C:x", "x"}, {"C:\\x", "\\x"},
                                                       {"ab:", "ab:"}, {"x", "x"},   {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(TArchiver::StripDrive(c.first), c.second) << c.first;
  TArchiver a;
  a.SetTargetPath("");
  EXPECT_EQ(a.TargetPath(), "");
  a.SetTargetPath("x\\");
  EXPECT_EQ(a.TargetPath(), "x\\");
}

TEST_F(Archive, OnCheckFileCanRenameAndItsDriveIsStripped) {
  fs.AddFile("a", Text("1"));
  arc.OnCheckFile = [](std::string& name, TCProcessMode mode) {
    name = mode == pmCompress ? "Q:\\renamed" : "elsewhere\\" + name;
  };
  std::vector<std::string> names;
  const Bytes archive = Write({"a"}, cmNone, &names);
  EXPECT_EQ(names, std::vector<std::string>{"\\renamed"});
  Expand(archive);
  EXPECT_EQ(FileBytes("elsewhere\\\\renamed"), Text("1"));
}

TEST_F(Archive, OnCheckFileEmptySkipsAndStarStops) {
  for (const char* p : {"a", "b", "c"}) fs.AddFile(p, Text(p));
  struct Case {
    std::string answerForB;
    std::vector<std::string> list;  // what the file list holds afterwards
    std::vector<std::string> expanded;
  };
  const Case cases[] = {{"", {"a", "c"}, {"a", "c"}}, {"*", {"a", "c"}, {"a"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE("answer '" + c.answerForB + "'");
    arc.OnCheckFile = [&](std::string& name, TCProcessMode) {
      if (name == "b") name = c.answerForB;
    };
    std::vector<std::string> names;
    const Bytes archive = Write({"a", "b", "c"}, cmNone, &names);
    // After "*" the entries not reached stay in the list as they were.
    EXPECT_EQ(names, c.list);
    arc.OnCheckFile = nullptr;
    TStringList all = ListOf({"a", "b", "c"});
    Expand(archive, &all);
    EXPECT_EQ(Strings(all), c.expanded);
  }

  // While expanding: "" skips a member, "*" ends the expansion; what was written stays.
  arc.OnCheckFile = nullptr;
  const Bytes archive = Write({"a", "b", "c"}, cmNone);
  for (const Case& c : {Case{"", {}, {"a", "c"}}, Case{"*", {}, {"a"}}}) {
    fs.Created.clear();
    arc.OnCheckFile = [&](std::string& name, TCProcessMode mode) {
      EXPECT_EQ(mode, pmExpand);
      if (name == "b") name = c.answerForB;
    };
    TStringList selection = ListOf({"a", "b", "c"});
    Expand(archive, &selection);
    EXPECT_EQ(Strings(selection), c.expanded);
    EXPECT_EQ(fs.Created, c.expanded);
  }
}

TEST_F(Archive, SelectionIgnoresCaseAndSkippedMembersStillCountTowardsTheTotal) {
  fs.AddFile("a.txt", Text("one"));
  fs.AddFile("B.TXT", Text("two"));
  fs.AddFile("sub\\c.txt", Text("three"));
  Bytes archive = Write({"a.txt", "B.TXT", "sub\\c.txt"}, cmRLE);
  // A damaged member after the archive: the loop must stop at the header's total, not read it.
  const Bytes junk = Cat({{1, 0}, Le32(0), {0, 0}, Le32(1), Le32(1), {0}, Le32(5), Le32(0), Text("jx")});
  archive.insert(archive.end(), junk.begin(), junk.end());
  arc.SetTargetPath("out");
  TStringList selection = ListOf({"A.TXT", "SUB\\C.TXT", "j"});
  Expand(archive, &selection);
  EXPECT_EQ(Strings(selection), (std::vector<std::string>{"out\\a.txt", "out\\sub\\c.txt"}));
  EXPECT_EQ(FileBytes("out\\sub\\c.txt"), Text("three"));
  EXPECT_EQ(fs.Files.count("out\\B.TXT"), 0u);
}

TEST_F(Archive, ArchiveStartsWhereTheStreamStands) {
  fs.AddFile("a", Text("payload"));
  TMemoryStream out(Bytes(1000, 0xEE));
  out.Seek(0, TSeekOrigin::soEnd);
  TStringList list = ListOf({"a"});
  arc.CompressFiles(out, list, cmNone);
  EXPECT_EQ(out.Position(), 1000 + 21);
  EXPECT_EQ(Bytes(out.Bytes.begin(), out.Bytes.begin() + 1000), Bytes(1000, 0xEE));

  out.SetPosition(1000);
  TStringList listing;
  arc.ScanArchive(out, listing);
  ASSERT_EQ(listing.Count(), 1);
  const auto* info = static_cast<const TArchiveEntryInfo*>(listing.Objects(0));
  EXPECT_EQ(info->HeaderOffset, 1021u);
  EXPECT_EQ(info->UncompressedSize, 7);
  EXPECT_EQ(info->CompressedSize, 7);
  EXPECT_EQ(info->MethodIndex, cmNone);
  EXPECT_EQ(info->FileDate, 0x5A2B6C3Du);
  EXPECT_EQ(info->Attributes, 0x20);
  EXPECT_FALSE(info->Locked);
  TArchiver::FreeFileList(&listing);
  EXPECT_EQ(listing.Count(), 0);
  TArchiver::FreeFileList(nullptr);

  out.SetPosition(1000);
  fs.Files.erase("a");
  arc.ExpandFiles(out);
  EXPECT_EQ(FileBytes("a"), Text("payload"));
}

TEST_F(Archive, ScanListsEveryMemberWithItsLockAndIgnoresTheTotal) {
  fs.AddFile("a", Text("aaaa"));
  fs.AddFile("b", Noise(100, 3));
  arc.Key = 5;
  Bytes archive = Write({"a", "b"}, cmRLE);
  archive[8] = 0;  // total size 0: expansion writes nothing, the listing does not care
  TMemoryStream in(archive);
  TStringList listing;
  arc.ScanArchive(in, listing);
  ASSERT_EQ(Strings(listing), (std::vector<std::string>{"a", "b"}));
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(static_cast<const TArchiveEntryInfo*>(listing.Objects(i))->Locked);
  const auto* b = static_cast<const TArchiveEntryInfo*>(listing.Objects(1));
  EXPECT_EQ(b->HeaderOffset,
            21u + 25 + 1 + static_cast<const TArchiveEntryInfo*>(listing.Objects(0))->CompressedSize);
  TArchiver::FreeFileList(&listing);
  fs.Created.clear();
  Expand(archive);
  EXPECT_TRUE(fs.Created.empty());
}

TEST_F(Archive, ShortStreamsAreEmptyArchives) {
  // Fewer than 21 bytes: nothing to expand and no error, whatever the bytes are.
  Expand(Bytes(20, 0xAB));
  // Fewer than 46: the listing does not even read the header.
  TMemoryStream in(Bytes(45, 0xAB));
  TStringList listing;
  arc.ScanArchive(in, listing);
  EXPECT_EQ(listing.Count(), 0);
  EXPECT_EQ(in.Position(), 0);
  EXPECT_TRUE(fs.Created.empty());
}

TEST_F(Archive, LastPercentageFollowsThePercentRule) {
  fs.AddFile("runs", Bytes(200000, 'r'));  // RLE: 'r' 94 FF 'r' 94 FF ... ending on a short run
  const int32_t packed = static_cast<int32_t>(Write({"runs"}, cmRLE).size() - 21 - 25 - 4);
  EXPECT_EQ(LastRun.LastPercentage, packed / (200000 / 100));
  fs.AddFile("small", Cat({Bytes(50, 's'), Text("0123456789")}));
  Write({"small"}, cmRLE);
  EXPECT_EQ(LastRun.LastPercentage, (3 + 10) * 100 / 60);

  // 123,456 bytes, no multiple of 100: 48,486 digits without repeats stay as they are, and 294
  // runs of 255 'm' take 3 bytes each. 49368 / 1234 = 40, where 4936800 / 123456 would be 39.
  Bytes digits(48486);
  for (size_t i = 0; i < digits.size(); ++i) digits[i] = uint8_t('0' + i % 10);
  fs.AddFile("mixed", Cat({digits, Bytes(294 * 255, 'm')}));
  ASSERT_EQ(Write({"mixed"}, cmRLE).size(), 21u + 25 + 5 + 49368);
  EXPECT_EQ(LastRun.LastPercentage, 40);
}

TEST_F(Archive, ExceptionsCarryTheirMessages) {
  fs.AddFile("a.txt", Text("hello"));
  const Bytes good = Write({"a.txt"}, cmNone);
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    std::function<void(TArchiver&)> setup;
    std::string message;
  };
  const Case cases[] = {
      {"magic", [](Bytes& b) { b[3] = 'X'; }, nullptr, "Can't recognize compressed file header"},
      {"type", [](Bytes& b) { b[12] = 2; }, nullptr, "Archive type must be caMulti"},
      {"id", [](Bytes& b) { b[5] = 'X', b[6] = 'Y', b[7] = 'Z'; }, nullptr,
       "Unrecognized compression method: \"XYZ\" in header"},
      {"id case", [](Bytes& b) { b[5] = 'n'; }, nullptr,
       "Unrecognized compression method: \"nON\" in header"},
      {"checksum", [](Bytes& b) { b.back() ^= 1; }, nullptr,
       "Bad checksum during expansion -- data may be invalid"},
      {"space", nullptr,
       [](TArchiver& a) {
         a.CheckSpaceBeforeExpand = true;
         a.SetTargetPath("C:\\out");
       },
       "Not enough disk space to expand C:\\out\\a.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes archive = good;
    if (c.damage) c.damage(archive);
    TArchiver a;
    a.FileSystem = &fs;
    fs.Space = 4;
    if (c.setup) c.setup(a);
    TMemoryStream in(archive);
    try {
      a.ExpandFiles(in);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, c.message);
    }
    if (c.message.rfind("Can't", 0) == 0 || c.message.rfind("Archive", 0) == 0 ||
        c.message.rfind("Unrec", 0) == 0) {
      // Header errors also stop a listing.
      TMemoryStream again(archive);
      TStringList listing;
      EXPECT_THROW(a.ScanArchive(again, listing), Exception);
    }
  }
}

TEST_F(Archive, OnRecognizeAcceptsAnUnknownIdAndMembersKeepTheirOwnMethod) {
  fs.AddFile("a", Text("aaaaaaab"));
  Bytes archive = Write({"a"}, cmRLE);
  archive[5] = 'Q';
  std::string asked;
  arc.OnRecognize = [&](const std::string& id, bool& ok) { asked = id, ok = true; };
  fs.Files.clear();
  Expand(archive);
  EXPECT_EQ(asked, "QLE");
  EXPECT_EQ(FileBytes("a"), Text("aaaaaaab"));
  arc.OnRecognize = [](const std::string&, bool&) {};
  EXPECT_THROW(Expand(archive), EUnrecognizedCompressionMethod);
}

TEST_F(Archive, TheThreeKeyCases) {
  const Bytes data = Cat({Text("secret secret secret"), Bytes(40, 's')});
  for (TCompressMethod method : {cmNone, cmRLE}) {
    SCOPED_TRACE(int(method));
    fs = MemoryFileSystem();
    fs.AddFile("first", Text("unlocked?"));
    fs.AddFile("s", data);
    arc.Key = 0x2468ACE;
    const Bytes archive = Write({"first", "s"}, method);
    fs.Files.clear();

    // No key: refused before anything of the member is expanded.
    arc.Key = 0;
    try {
      Expand(archive);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidKey& e) {
      EXPECT_STREQ(e.what(), "File locked -- valid key required");
    }
    // The target was opened and is gone again, with nothing written to it.
    EXPECT_EQ(fs.Created, std::vector<std::string>{"first"});
    EXPECT_TRUE(fs.Files.empty());
    fs.Created.clear();

    // A wrong key expands scrambled bytes, fails, and the target is deleted.
    arc.Key = 0x2468ACF;
    EXPECT_THROW(Expand(archive), EInvalidKey);
    EXPECT_EQ(fs.Created, std::vector<std::string>{"first"});
    EXPECT_TRUE(fs.Files.empty());

    // The right key.
    arc.Key = 0x2468ACE;
    Expand(archive);
    EXPECT_EQ(FileBytes("s"), data);
  }
}

// A member cut off by the end of the stream, or with a size no writer produces, fails on its
// checksum; a locked one fails like a wrong key, and its started target is deleted.
TEST_F(Archive, DamagedLockedMembersFailLikeAWrongKey) {
  struct Case {
    const char* name;
    int32_t key;
    bool negativeSize;  // else the last bytes of the data are cut off
    bool targetStays;
  };
  const Case cases[] = {
      {"unlocked, cut off", 0, false, true},
      {"locked, cut off", 0x2468ACE, false, false},
      {"unlocked, negative size", 0, true, false},
      {"locked, negative size", 0x2468ACE, true, false},
  };
  for (TCompressMethod method : {cmNone, cmRLE, cmLZH, cmLH5}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", method " + std::to_string(int(method)));
      fs = MemoryFileSystem();
      fs.AddFile("s", Cat({Text("secret secret secret"), Noise(300, 5)}));
      arc.Key = c.key;
      Bytes archive = Write({"s"}, method);
      fs.Files.clear();
      if (c.negativeSize) {
        const Bytes minusOne = Le32(0xFFFFFFFF);
        std::copy(minusOne.begin(), minusOne.end(), archive.begin() + 21 + 12);
      } else {
        archive.resize(archive.size() - 3);
      }
      try {
        Expand(archive);
        ADD_FAILURE() << "no exception";
      } catch (const EInvalidKey&) {
        EXPECT_NE(c.key, 0);
      } catch (const EBadChecksum&) {
        EXPECT_EQ(c.key, 0);
      }
      EXPECT_EQ(fs.FileExists("s"), c.targetStays);
    }
  }
}

TEST_F(Archive, AKeyDoesNotDisturbUnlockedMembers) {
  fs.AddFile("a", Text("plain"));
  const Bytes archive = Write({"a"}, cmNone);
  arc.Key = 77;
  Expand(archive);
  EXPECT_EQ(FileBytes("a"), Text("plain"));
}

TEST_F(Archive, StoredMemberWithZeroChecksumIsAccepted) {
  fs.AddFile("z", Bytes(5, 0));
  Bytes archive = Write({"z"}, cmNone);
  archive.back() = 9;  // sum no longer 0, but a stored member with checksum 0 is taken as is
  Expand(archive);
  EXPECT_EQ(FileBytes("z"), (Bytes{0, 0, 0, 0, 9}));
}

TEST_F(Archive, FileErrorsAreSkippedOrRaisedAsConfigured) {
  fs.AddFile("a", Text("A"));
  fs.AddFile("c", Text("C"));
  std::vector<std::string> names;
  const Bytes skipping = Write({"a", "missing", "c"}, cmNone, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
  arc.ExceptionOnFileError = true;
  EXPECT_THROW(Write({"a", "missing", "c"}, cmNone), EFOpenError);

  // A target that cannot be created: skipped, and the next member still lines up.
  fs.RefuseCreate.insert("a");
  arc.ExceptionOnFileError = false;
  fs.Files.clear();
  TStringList selection = ListOf({"a", "c"});
  Expand(skipping, &selection);
  EXPECT_EQ(Strings(selection), std::vector<std::string>{"c"});
  EXPECT_EQ(FileBytes("c"), Text("C"));
  arc.ExceptionOnFileError = true;
  EXPECT_THROW(Expand(skipping), EFCreateError);
}

TEST_F(Archive, MakeDirectoriesCreatesMissingFoldersFromTheTop) {
  fs.AddFile("x\\y\\z.txt", Text("z"));
  const Bytes archive = Write({"x\\y\\z.txt"}, cmNone);
  arc.SetTargetPath("C:\\out");
  Expand(archive);
  EXPECT_TRUE(fs.CreatedFolders.empty());
  arc.MakeDirectories = true;
  fs.Folders.insert("C:\\out");
  Expand(archive);
  EXPECT_EQ(fs.CreatedFolders, (std::vector<std::string>{"C:\\out\\x", "C:\\out\\x\\y"}));
  fs.Folders.clear();
  fs.CreatedFolders.clear();
  fs.RefuseCreate.insert("C:\\out");
  EXPECT_THROW(Expand(archive), EInOutError);
}

TEST_F(Archive, FreeSpaceIsCheckedOnTheTargetDriveCountingTheReplacedFile) {
  fs.AddFile("a", Bytes(1000, 'a'));
  const Bytes archive = Write({"a"}, cmNone);
  arc.CheckSpaceBeforeExpand = true;
  arc.SetTargetPath("d:\\out");
  struct Case {
    double space;
    size_t existing;  // 0: no file there
    bool fits;
  };
  for (const Case& c : {Case{999, 0, false}, Case{1000, 0, true}, Case{600, 400, true}, Case{600, 399, false},
                        Case{-1, 0, false}, Case{5e9, 0, true}}) {
    SCOPED_TRACE(c.space);
    fs.Files.erase("d:\\out\\a");
    if (c.existing) fs.AddFile("d:\\out\\a", Bytes(c.existing, 'e'));
    fs.Space = c.space;
    fs.SpaceRoots.clear();
    if (c.fits) {
      EXPECT_NO_THROW(Expand(archive));
    } else {
      EXPECT_THROW(Expand(archive), EInsufficientDiskSpace);
    }
    EXPECT_EQ(fs.SpaceRoots, std::vector<std::string>{"D:\\"});
  }
  // A path without a drive asks about the current drive.
  arc.SetTargetPath("out");
  fs.SpaceRoots.clear();
  Expand(archive);
  EXPECT_EQ(fs.SpaceRoots, std::vector<std::string>{""});
  arc.CheckSpaceBeforeExpand = false;
  fs.SpaceRoots.clear();
  Expand(archive);
  EXPECT_TRUE(fs.SpaceRoots.empty());
}

TEST_F(Archive, AttributesAreRestoredAsASigned16BitValue) {
  fs.AddFile("a", Text("a"), 0x5A2B6C3D, 0x8001);
  const Bytes archive = Write({"a"}, cmNone);
  fs.Files.clear();
  Expand(archive);
  EXPECT_EQ(fs.Files.at("a").Attributes, static_cast<int32_t>(static_cast<int16_t>(0x8001)));
}

TEST_F(Archive, CustomMethodGoesThroughTheEvents) {
  fs.AddFile("a", Text("custom!"));
  arc.OnCompress = [](TStream& dest, TStream& source, std::string& id, int32_t& size, int32_t& sum) {
    uint8_t b;
    while (source.Read(&b, 1) == 1) {
      const uint8_t x = static_cast<uint8_t>(b + 1);
      dest.WriteBuffer(&x, 1);
      sum += b;
      ++size;
    }
    id = "ZZZ";
  };
  const Bytes archive = Write({"a"}, cmCustom);
  EXPECT_EQ(std::string(archive.begin() + 5, archive.begin() + 8), "ZZZ");
  EXPECT_EQ(archive[21 + 16], cmCustom);
  fs.Files.clear();
  EXPECT_THROW(Expand(archive), EUnrecognizedCompressionMethod);
  arc.OnRecognize = [](const std::string& id, bool& ok) { ok = id == "ZZZ"; };
  int32_t seenSource = 0, seenDest = 0;
  std::string seenId;
  arc.OnExpand = [&](TStream& dest, TStream& source, int32_t sourceSize, int32_t destSize,
                     const std::string& id, int32_t& sum) {
    seenSource = sourceSize, seenDest = destSize, seenId = id;
    for (int i = 0; i < sourceSize; ++i) {
      uint8_t b;
      source.ReadBuffer(&b, 1);
      --b;
      dest.WriteBuffer(&b, 1);
      sum += b;
    }
  };
  Expand(archive);
  EXPECT_EQ(FileBytes("a"), Text("custom!"));
  EXPECT_EQ(seenSource, 7);
  EXPECT_EQ(seenDest, 7);
  EXPECT_EQ(seenId, "ZZZ");
}

TEST_F(Archive, ProgressSeesEveryMemberAndCancelStopsAtARefill) {
  fs.AddFile("a", Noise(20000, 4));
  std::vector<int> seen;
  arc.OnShowProgress = [&](int& p) { seen.push_back(p); };
  const Bytes archive = Write({"a"}, cmRLE);  // noise: RLE fails, then the member is stored
  // The RLE attempt reports until it gives up; storing then reports from 0 to the end.
  ASSERT_GE(seen.size(), 6u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(std::vector<int>(seen.end() - 5, seen.end()), (std::vector<int>{0, 40, 81, 100, 100}));
  seen.clear();
  fs.Files.clear();
  Expand(archive);
  EXPECT_EQ(seen, (std::vector<int>{0, 40, 81, 100, 100}));
  // A cancel during expansion leaves the member short: its checksum fails.
  arc.OnShowProgress = [](int& p) {
    if (p == 40) p = -1;
  };
  EXPECT_THROW(Expand(archive), EBadChecksum);
}

// A member whose expansion was cancelled is short, and fails as a damaged member does (a locked
// one as a wrong key, its target deleted), even when the bytes it lost add up to nothing.
TEST_F(Archive, ACancelledExpansionFailsWhateverTheLostBytesAddUpTo) {
  struct Case {
    const char* name;
    TCompressMethod method;
    int32_t key;
    int cancelAtCall;  // the handler's calls: 1 before the run, then one per refill
  };
  const Case cases[] = {
      {"stored, the zero half lost", cmNone, 0, 3},
      {"stored and locked, the zero half lost", cmNone, 7, 3},
      {"LH5, all lost", cmLH5, 0, 2},
      {"LH5 and locked, all lost", cmLH5, 7, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs.Files.clear();
    fs.AddFile("f", Cat({Bytes(8192, 'a'), Bytes(8192, 0)}));
    arc.Key = c.key;
    arc.OnShowProgress = nullptr;
    const Bytes archive = Write({"f"}, c.method);
    ASSERT_EQ(archive[21 + 16], c.method);
    int calls = 0;
    arc.OnShowProgress = [&](int& p) {
      if (++calls == c.cancelAtCall) p = -1;
    };
    if (c.key != 0) {
      EXPECT_THROW(Expand(archive), EInvalidKey);
      EXPECT_EQ(fs.Files.count("f"), 0u);
    } else {
      EXPECT_THROW(Expand(archive), EBadChecksum);
    }
    EXPECT_EQ(calls, c.cancelAtCall + 1);  // the run still ends with its 100
  }
}

TEST_F(Archive, ACancelledMemberIsReportedAndHoldsWhatWasReadBefore) {
  fs.AddFile("f", Noise(20000, 9));
  arc.OnShowProgress = [](int& p) {
    if (p == 81) p = -1;  // the second refill: the first 8192 bytes were read before
  };
  const Bytes archive = Write({"f"}, cmNone);
  EXPECT_TRUE(LastRun.Cancelled);
  EXPECT_EQ(Bytes(archive.begin() + 21 + 25 + 1, archive.end()),
            Bytes(FileBytes("f").begin(), FileBytes("f").begin() + 8192));
  arc.OnShowProgress = nullptr;
  Write({"f"}, cmNone);
  EXPECT_FALSE(LastRun.Cancelled);
}

TEST_F(Archive, NamesTheHeaderCannotHoldAreTreatedLikeUnopenableFiles) {
  fs.AddFile("a", Text("a"));
  fs.AddFile("b", Text("b"));
  arc.OnCheckFile = [](std::string& name, TCProcessMode) {
    if (name == "a") name = std::string(32768, 'n');
  };
  std::vector<std::string> names;
  const Bytes archive = Write({"a", "b"}, cmNone, &names);
  EXPECT_EQ(names, std::vector<std::string>{"b"});
  EXPECT_EQ(archive.size(), 21u + 25 + 1 + 1);
  arc.ExceptionOnFileError = true;
  EXPECT_THROW(Write({"a", "b"}, cmNone), Exception);
  // The longest name that fits is kept whole.
  arc.OnCheckFile = [](std::string& name, TCProcessMode) {
    if (name == "a") name = std::string(32767, 'n');
  };
  Write({"a"}, cmNone, &names);
  EXPECT_EQ(names[0].size(), 32767u);
}

TEST_F(Archive, EmptyFilesAfterTheTotalIsReachedAreStillExpanded) {
  fs.AddFile("full", Text("data"));
  fs.AddFile("e1", {});
  fs.AddFile("e2", {});
  const Bytes archive = Write({"e1", "full", "e2"}, cmRLE);
  fs.Files.clear();
  Expand(archive);
  EXPECT_EQ(fs.Created, (std::vector<std::string>{"e1", "full", "e2"}));
}
