#pragma once
// The track tags of a project: the cover sheet "CoverSheet.htm" carries, besides its page, an
// ini-style section "TRACKS AND TAGS" of key=value lines (key "1" is the first track's title).
#include <string>
#include <vector>

namespace qx {

constexpr const char kCoverSheetName[] = "CoverSheet.htm";
constexpr const char kTrackTagsSection[] = "TRACKS AND TAGS";

// Every key=value line of the section, in file order, with blanks around key and value removed.
// Ini rules: a line whose first non-blank character is "[" opens the section named up to the
// next "]" (names compared in any letter case), and the next such line ends it. Lines of the
// section without "=" or starting with ";" carry no entry: in an HTML page they are markup, not
// tags. A missing section gives an empty list.
std::vector<std::string> ReadIniSection(const std::string& content, const std::string& section);

}  // namespace qx
