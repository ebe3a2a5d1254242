#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/command_line.h"

using namespace qx;

namespace {

using Params = std::vector<std::string>;

TEST(SplitParameters, BlanksQuotesAndProgramName) {
  struct TCase {
    const char* line;
    Params expected;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"applet.exe", {"applet.exe"}},
      {"applet.exe /max#13/#10", {"applet.exe", "/max#13/#10"}},
      // every character up to and including the space separates, tabs and control codes too
      {"a\tb\x01"
       "c\x1f"
       "d e",
       {"a", "b", "c", "d", "e"}},
      {"  lead   trail  ", {"lead", "trail"}},
      // characters above the space (also 8-bit ones) never separate
      {"a\xa0"
       "b!c",
       {"a\xa0"
        "b!c"}},
      // quotes toggle a stretch in which blanks don't separate, and are dropped
      {"\"C:\\Program Files\\applet.exe\" /show", {"C:\\Program Files\\applet.exe", "/show"}},
      {"x \"/max#13/#10\"", {"x", "/max#13/#10"}},
      {"x /max\"#13\"/#10", {"x", "/max#13/#10"}},
      {"x \"a b\"c\" d\"", {"x", "a bc d"}},
      {"x \"unterminated rest", {"x", "unterminated rest"}},
      // an empty quoted stretch is an (empty) parameter and does not end the list
      {"x \"\" /show", {"x", "", "/show"}},
      // no backslash escapes: a backslash is an ordinary character
      {"x a\\\"b c\"", {"x", "a\\b c"}},
  };
  for (const TCase& c : cases) EXPECT_EQ(SplitParameters(c.line), c.expected) << c.line;
}

TEST(SwitchEquals, AsciiLettersIgnoreCaseOtherCharactersExact) {
  struct TCase {
    const char* parameter;
    const char* switchText;
    bool equal;
  } cases[] = {
      {"/SHOW", "/show", true},
      {"/Show", "/show", true},
      {"/sho", "/show", false},
      {"/showx", "/show", false},
      {"/MAX#13/#10", "/max#13/#10", true},
      {"/max", "/max#13/#10", false},
      {"-max#13/#10", "/max#13/#10", false},
      {"/nOW#13/#10", "/Now#13/#10", true},
      // only a-z fold: accented letters and other characters must be identical
      {"/\xe9", "/\xc9", false},
      {"[", "{", false},  // 0x5B and 0x7B differ by 0x20 but are not letters
      {"", "", true},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(SwitchEquals(c.parameter, c.switchText), c.equal) << c.parameter << " " << c.switchText;
}

TEST(CommandLineHasSwitch, ProgramNameIsNotAParameter) {
  EXPECT_FALSE(CommandLineHasSwitch("/show", "/show"));
  EXPECT_FALSE(CommandLineHasSwitch("\"/show\"", "/show"));
  EXPECT_TRUE(CommandLineHasSwitch("applet.exe /show", "/show"));
}

TEST(CommandLineHasSwitch, PositionRepetitionAndUnknownParametersDontMatter) {
  const char* line = "applet.exe foo \"/SPAWNqx00#13/#10\" bar /show /show";
  EXPECT_TRUE(CommandLineHasSwitch(line, "/spawnqx00#13/#10"));
  EXPECT_TRUE(CommandLineHasSwitch(line, "/show"));
  EXPECT_FALSE(CommandLineHasSwitch(line, "/max#13/#10"));
  EXPECT_FALSE(CommandLineHasSwitch(line, "foo bar"));
  EXPECT_TRUE(CommandLineHasSwitch("applet.exe \"foo bar\"", "FOO BAR"));
}

}  // namespace
