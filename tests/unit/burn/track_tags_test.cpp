// The cover sheet's "TRACKS AND TAGS" section read with the ini rules.
#include <gtest/gtest.h>

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
  };
  for (const TSectionCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadIniSection(c.Content, kTrackTagsSection), c.Entries);
  }
}

}  // namespace
}  // namespace qx
