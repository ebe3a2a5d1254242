#include "session/session_rules.h"

namespace qx {

int32_t MemoryFactorFor(const TMemoryStatus& memory) {
  const uint64_t availableMiB = memory.AvailablePhysical >> 20;
  const uint64_t totalMiB = memory.TotalPhysical >> 20;
  if (availableMiB > 6 || totalMiB > 50) return 4;
  if (availableMiB > 4 || totalMiB > 20) return 2;
  return 0;
}

std::string FileVersionTextOf(const std::optional<TFileVersion>& version, const std::string& form) {
  if (!version) return "6";
  // Minor and release run together without a separator: 4.6.0 reads "4.60".
  std::string text = std::to_string(version->Major) + "." + std::to_string(version->Minor) +
                     std::to_string(version->Release);
  if (form == "Full" || form == "Long") text += "(" + std::to_string(version->Build) + ")";
  return text;
}

std::vector<std::string> PathFolders(const std::string& path) {
  std::vector<std::string> folders;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) folders.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

// The factor is kept at its full width: a factor of 256 cut to 8 bits would divide by zero, and
// one above 127 would turn negative.
std::string FileVersionText(TSessionHost& host, const std::string& file, const std::string& form) {
  TFileVersion version;
  if (!host.FileVersion(file, version)) return FileVersionTextOf(std::nullopt, form);
  return FileVersionTextOf(version, form);
}

}  // namespace qx
