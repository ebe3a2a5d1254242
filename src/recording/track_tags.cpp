#include "recording/track_tags.h"

#include <utility>

#include "base/text.h"

namespace qx {

namespace {

// Blanks and tabs around an ini key or value; CR of CR LF line ends goes too.
std::string TrimBlanks(const std::string& text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  size_t first = 0, last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The section name of a header line, or false when the line opens none: without its "]" it is an
// ordinary line, as the profile API reads it.
bool SectionHeader(const std::string& line, std::string& name) {
  if (line.empty() || line[0] != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string::npos) return false;
  name = line.substr(1, close - 1);
  return true;
}

std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string NarrowLatin1(const std::u16string& line) {
  std::string text;
  text.reserve(line.size());
  for (const char16_t unit : line) text += unit < 0x100 ? static_cast<char>(unit) : '?';
  return text;
}

TIniSectionReader::TIniSectionReader(std::string section, TNarrowText narrow)
    : Section(std::move(section)), Narrow(narrow ? narrow : NarrowLatin1) {}

void TIniSectionReader::Feed(const char* data, size_t size) {
  if (Ended) return;
  if (Encoding == TEncoding::enUnknown) {
    // Three bytes tell every mark apart; a shorter file is plain bytes.
    Head.append(data, size);
    if (Head.size() < 3) return;
    const std::string head = std::move(Head);
    Head.clear();
    const auto b0 = static_cast<unsigned char>(head[0]), b1 = static_cast<unsigned char>(head[1]),
               b2 = static_cast<unsigned char>(head[2]);
    size_t skip = 0;
    if (b0 == 0xFF && b1 == 0xFE) {
      Encoding = TEncoding::enUtf16LE, skip = 2;
    } else if (b0 == 0xFE && b1 == 0xFF) {
      Encoding = TEncoding::enUtf16BE, skip = 2;
    } else {
      Encoding = TEncoding::enBytes;
      if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) skip = 3;
    }
    Feed(head.data() + skip, head.size() - skip);
    return;
  }
  if (Encoding == TEncoding::enBytes)
    FeedBytes(data, size);
  else
    FeedUtf16(data, size);
}

void TIniSectionReader::FeedBytes(const char* data, size_t size) {
  for (size_t i = 0; i < size && !Ended; ++i) {
    if (data[i] == '\n') {
      TakeLine(Line);
      Line.clear();
    } else if (Line.size() < kMaxLine) {
      Line += data[i];
    }
  }
}

void TIniSectionReader::FeedUtf16(const char* data, size_t size) {
  std::string bytes = std::move(OddByte);
  OddByte.clear();
  bytes.append(data, size);
  const size_t whole = bytes.size() & ~static_cast<size_t>(1);
  for (size_t i = 0; i < whole && !Ended; i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[Encoding == TEncoding::enUtf16LE ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(bytes[Encoding == TEncoding::enUtf16LE ? i + 1 : i]);
    const auto unit = static_cast<char16_t>(lo | hi << 8);
    if (unit == u'\n') {
      TakeLine(Narrow(Wide));
      Wide.clear();
    } else if (Wide.size() < kMaxLine / 2) {
      Wide += unit;
    }
  }
  if (whole < bytes.size() && !Ended) OddByte = bytes.substr(whole);
}

void TIniSectionReader::TakeLine(const std::string& raw) {
  const std::string line = TrimBlanks(raw);
  std::string name;
  if (SectionHeader(line, name)) {
    if (Inside) {
      Inside = false;
      Ended = true;
      return;
    }
    Inside = SameTextAscii(name, Section);
    return;
  }
  const size_t equals = line.find('=');
  if (!Inside || line.empty() || line[0] == ';' || equals == std::string::npos) return;
  if (Entries.size() >= kMaxEntries) return;
  Entries.push_back(TrimBlanks(line.substr(0, equals)) + "=" + Unquoted(TrimBlanks(line.substr(equals + 1))));
}

std::vector<std::string> TIniSectionReader::Finish() {
  if (!Ended) {
    if (Encoding == TEncoding::enUnknown) {
      Encoding = TEncoding::enBytes;
      const std::string head = std::move(Head);
      Head.clear();
      FeedBytes(head.data(), head.size());
    }
    if (Encoding == TEncoding::enBytes && !Line.empty()) TakeLine(Line);
    if (Encoding != TEncoding::enBytes && !Wide.empty()) TakeLine(Narrow(Wide));
    Line.clear();
    Wide.clear();
    Ended = true;
  }
  return std::move(Entries);
}

std::vector<std::string> ReadIniSection(const std::string& content, const std::string& section) {
  TIniSectionReader reader(section);
  reader.Feed(content.data(), content.size());
  return reader.Finish();
}

}  // namespace qx
