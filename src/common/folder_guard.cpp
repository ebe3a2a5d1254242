#include "common/folder_guard.h"

#include "base/text.h"

namespace qx {

namespace {

// The path with "/" as "\" and without closing separators ("C:\" keeps its own).
std::string Normal(const std::string& path) {
  std::string p = ReplaceChar(path, '/', '\\');
  while (p.size() > 1 && p.back() == '\\' && !(p.size() == 3 && p[1] == ':')) p.pop_back();
  return p;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// How many leading characters name the root ("C:\" or "\\server\share"), 0 when the path is not
// absolute in one of those two forms.
size_t RootLength(const std::string& p) {
  if (p.size() >= 3 && IsDriveLetter(p[0]) && p[1] == ':' && p[2] == '\\') return 3;
  if (p.size() < 3 || p[0] != '\\' || p[1] != '\\') return 0;
  if (p[2] == '?' || p[2] == '.') return 0;  // "\\?\" and "\\.\" name devices and raw paths
  const size_t server = p.find('\\', 2);
  if (server == std::string::npos || server == 2) return 0;
  const size_t share = p.find('\\', server + 1);
  if (share == server + 1) return 0;
  return share == std::string::npos ? p.size() : share;
}

bool HasDotSegment(const std::string& p) {
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('\\', start);
    if (end == std::string::npos) end = p.size();
    const std::string part = p.substr(start, end - start);
    if (part == "." || part == "..") return true;
    start = end + 1;
  }
  return false;
}

// True when `inner` is `outer` or lies below it.
bool IsAtOrBelow(const std::string& inner, const std::string& outer) {
  if (!StartsWithAscii(inner, outer)) return false;
  if (inner.size() == outer.size()) return true;
  return outer.back() == '\\' || inner[outer.size()] == '\\';
}

}  // namespace

TFolderRefusal ClearFolderRefusal(const std::string& folder, const TProtectedFolders& protectedFolders) {
  const std::string f = Normal(folder);
  const size_t root = RootLength(f);
  if (root == 0) return TFolderRefusal::frNotAbsolute;
  if (HasDotSegment(f)) return TFolderRefusal::frDotSegment;
  if (f.size() <= root) return TFolderRefusal::frRoot;

  std::vector<std::string> others = protectedFolders.SystemFolders;
  others.push_back(protectedFolders.WindowsFolder);
  others.push_back(protectedFolders.ProfileFolder);
  others.insert(others.end(), protectedFolders.WellKnownFolders.begin(),
                protectedFolders.WellKnownFolders.end());
  const std::string& applet = protectedFolders.AppletFolder;
  // The folder itself first: the Windows folder also holds its system folders, and the profile
  // the applet's download folder.
  if (!applet.empty() && SameTextAscii(f, Normal(applet))) return TFolderRefusal::frAppletFolder;
  for (const std::string& other : others)
    if (!other.empty() && SameTextAscii(f, Normal(other))) return TFolderRefusal::frProtected;
  others.push_back(applet);
  for (const std::string& other : others)
    if (!other.empty() && IsAtOrBelow(Normal(other), f)) return TFolderRefusal::frHoldsProtected;
  return TFolderRefusal::frNone;
}

TFolderRefusal ClearFolderRefusal(const std::string& named, const std::string& resolved,
                                  const TProtectedFolders& protectedFolders) {
  const std::string n = Normal(named);
  if (RootLength(n) == 0) return TFolderRefusal::frNotAbsolute;
  if (HasDotSegment(n)) return TFolderRefusal::frDotSegment;
  return ClearFolderRefusal(resolved, protectedFolders);
}

}  // namespace qx
