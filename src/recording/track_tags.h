#pragma once
// The track tags of a project: the cover sheet "CoverSheet.htm" carries, besides its page, an
// ini-style section "TRACKS AND TAGS" of key=value lines (key "1" is the first track's title).
#include <cstddef>
#include <string>
#include <vector>

namespace qx {

constexpr const char kCoverSheetName[] = "CoverSheet.htm";
constexpr const char kTrackTagsSection[] = "TRACKS AND TAGS";

// How a line of a UTF-16 file becomes the 8-bit text of the rest of the applet (the platform's
// code page); the portable default keeps Latin-1 and shows anything else as "?".
using TNarrowText = std::string (*)(const std::u16string& line);
std::string NarrowLatin1(const std::u16string& line);

// Reads one section of an ini-style file fed in pieces of any size, in memory bounded by the
// longest line it keeps, whatever the file's size. Ini rules: blanks around lines, keys and values
// go; a line whose first non-blank character is "[" and that holds a "]" opens the section named
// between them (names compared in any letter case), and the next such line ends it; lines of the
// section without "=" or starting with ";" carry no entry (in an HTML page they are markup, not
// tags); a value in a pair of matching double or single quotes loses them, as the profile API
// reads it. A file that starts with a UTF-16 byte-order mark is read as UTF-16, one with the
// UTF-8 mark without it. A missing section gives no entries.
class TIniSectionReader {
public:
  // Lines are kept up to this many bytes (the rest of a longer one is skipped), entries up to this
  // many: a damaged or hostile file costs no more than that.
  static constexpr size_t kMaxLine = 32768;
  static constexpr size_t kMaxEntries = 4096;

  explicit TIniSectionReader(std::string section, TNarrowText narrow = NarrowLatin1);
  void Feed(const char* data, size_t size);
  // True once the section has ended: nothing fed later can change the entries.
  bool Done() const { return Ended; }
  // Every entry as "key=value", in file order.
  std::vector<std::string> Finish();

private:
  enum class TEncoding { enUnknown, enBytes, enUtf16LE, enUtf16BE };
  void FeedBytes(const char* data, size_t size);
  void FeedUtf16(const char* data, size_t size);
  void EndLine();
  void TakeLine(const std::string& line);

  std::string Section;
  TNarrowText Narrow;
  TEncoding Encoding = TEncoding::enUnknown;
  std::string Head;     // the first bytes, until the encoding is known
  std::string Line;     // the 8-bit line being read
  std::u16string Wide;  // the UTF-16 line being read
  std::string OddByte;  // half of a UTF-16 unit split between two pieces
  bool Inside = false, Ended = false;
  std::vector<std::string> Entries;
};

// The section's entries of a whole file's content.
std::vector<std::string> ReadIniSection(const std::string& content, const std::string& section);

}  // namespace qx
