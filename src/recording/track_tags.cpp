#include "recording/track_tags.h"

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

// The section name of a header line, or false when the line is none.
bool SectionHeader(const std::string& line, std::string& name) {
  if (line.empty() || line[0] != '[') return false;
  const size_t close = line.find(']');
  name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  return true;
}

}  // namespace

std::vector<std::string> ReadIniSection(const std::string& content, const std::string& section) {
  std::vector<std::string> entries;
  bool inside = false;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string line = TrimBlanks(content.substr(start, end - start));
    start = end + 1;
    std::string name;
    if (SectionHeader(line, name)) {
      if (inside) break;
      inside = SameTextAscii(name, section);
      continue;
    }
    const size_t equals = line.find('=');
    if (!inside || line[0] == ';' || equals == std::string::npos) continue;
    entries.push_back(TrimBlanks(line.substr(0, equals)) + "=" + TrimBlanks(line.substr(equals + 1)));
  }
  return entries;
}

}  // namespace qx
