#pragma once
// Small text rules shared by every layer: the file system's letter case (ASCII letters only) and
// the "\"-separated paths of the archive format and the applet folder.
#include <string>

namespace qx {

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal when the lengths agree and the characters do, the letters A-Z in any case.
inline bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

inline bool StartsWithAscii(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// The folder part of a path: everything up to and including its last "\" (empty for a bare name).
inline std::string FolderPart(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The text with every `from` replaced by `to`.
inline std::string ReplaceChar(std::string text, char from, char to) {
  for (char& c : text)
    if (c == from) c = to;
  return text;
}

}  // namespace qx
