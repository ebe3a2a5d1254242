// The cover sheet's "TRACKS AND TAGS" section read with the ini rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "recording/track_tags.h"

namespace qx {
namespace {

using TLines = std::vector<std::string>;

struct TSectionCase {
  const char* Name;
  std::string Content;
  TLines Entries;
};

const char kPage[] =
    "<html><body><h1>Cover</h1>\r\n"
    "<!--\r\n"
    "[TRACKS AND TAGS]\r\n"
    "1=Holiday photos\r\n"
    "2 = Letters \r\n"
    "[END OF TAGS]\r\n"
    "3=after the section\r\n"
    "-->\r\n"
    "</body></html>\r\n";

TEST(TrackTags, SectionEntriesByIniRules) {
  const TSectionCase cases[] = {
      {"empty file", "", {}},
      {"no section", "<html>1=x</html>\n", {}},
      {"cover page", kPage, {"1=Holiday photos", "2=Letters"}},
      {"LF line ends, section at the end", "[TRACKS AND TAGS]\n1=A\n2=B", {"1=A", "2=B"}},
      {"section name in other case", "[tracks and tags]\n1=lower\n", {"1=lower"}},
      {"indented header and keys", "  [TRACKS AND TAGS]  \n\t1=Tab\n", {"1=Tab"}},
      {"markup and comments carry no entry", "[TRACKS AND TAGS]\n</pre>\n;1=old\n\n1=new\n", {"1=new"}},
      {"another section first", "[OTHER]\n1=no\n[TRACKS AND TAGS]\n1=yes\n", {"1=yes"}},
      {"only the first such section", "[TRACKS AND TAGS]\n1=a\n[X]\n[TRACKS AND TAGS]\n1=b\n", {"1=a"}},
      {"similar name is another section", "[TRACKS AND TAGS 2]\n1=no\n", {}},
      {"empty value kept", "[TRACKS AND TAGS]\n1=\n", {"1="}},
      {"quotes around a value go",
       "[TRACKS AND TAGS]\n1=\"Side A\"\n2='B'\n3=\"x'\n4=\"\n",
       {"1=Side A", "2=B", "3=\"x'", "4=\""}},
      {"a header needs its bracket", "[TRACKS AND TAGS]\n1=a\n[not a header\n2=b\n", {"1=a", "2=b"}},
      {"an unclosed header opens nothing", "[TRACKS AND TAGS\n1=a\n", {}},
      {"UTF-8 mark", "\xEF\xBB\xBF[TRACKS AND TAGS]\n1=A\n", {"1=A"}},
      {"a file of two bytes", "1=", {}},
  };
  for (const TSectionCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadIniSection(c.Content, kTrackTagsSection), c.Entries);
  }
}

// A UTF-16 sheet, as editors save it, in both byte orders.
std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST(TrackTags, Utf16SheetsAreRead) {
  const std::u16string page = u"<html>\r\n[TRACKS AND TAGS]\r\n1=Br\u00fbl\u00e9 \u4e2d\r\n[END]\r\n2=no\r\n";
  for (const bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    EXPECT_EQ(ReadIniSection(Utf16(page, bigEndian), kTrackTagsSection), TLines{"1=Br\xfbl\xe9 ?"});
  }
}

// Fed in pieces of every size, a sheet gives what it gives whole: lines, marks and UTF-16 units may
// be split anywhere.
TEST(TrackTags, PiecesOfAnySizeReadAsTheWhole) {
  const std::string sheets[] = {kPage, Utf16(u"[TRACKS AND TAGS]\n1=Wide\n2=\"q\"\n", false),
                                "\xEF\xBB\xBF[TRACKS AND TAGS]\r\n1=x\r\n"};
  for (const std::string& sheet : sheets) {
    const TLines whole = ReadIniSection(sheet, kTrackTagsSection);
    ASSERT_FALSE(whole.empty());
    for (size_t piece = 1; piece <= 7; ++piece) {
      TIniSectionReader reader(kTrackTagsSection);
      for (size_t at = 0; at < sheet.size(); at += piece)
        reader.Feed(sheet.data() + at, std::min(piece, sheet.size() - at));
      EXPECT_EQ(reader.Finish(), whole) << "pieces of " << piece;
    }
  }
}

// A huge sheet costs at most one kept line: an endless line is cut, endless entries stop counting,
// and the end of the section ends the reading.
TEST(TrackTags, HugeSheetsStayBounded) {
  TIniSectionReader reader(kTrackTagsSection);
  const std::string header = "[TRACKS AND TAGS]\n1=";
  reader.Feed(header.data(), header.size());
  const std::string block(1 << 20, 'x');
  for (int i = 0; i < 64; ++i) reader.Feed(block.data(), block.size());  // one line of 64 MiB
  const std::string entries = "\n2=b\n";
  for (size_t i = 0; i < TIniSectionReader::kMaxEntries + 10; ++i)
    reader.Feed(entries.data(), entries.size());
  EXPECT_FALSE(reader.Done());
  reader.Feed("[END]\n", 6);
  EXPECT_TRUE(reader.Done());
  const TLines tags = reader.Finish();
  ASSERT_EQ(tags.size(), TIniSectionReader::kMaxEntries);
  EXPECT_EQ(tags[0].size(), TIniSectionReader::kMaxLine);
  EXPECT_EQ(tags[1], "2=b");
}

}  // namespace
}  // namespace qx
