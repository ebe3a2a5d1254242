#include "common/paths.h"

namespace qx {

std::string AppPathIn(const std::string& appletFolder, const std::string& name) {
  if (FolderPart(name) == appletFolder) return name;
  return appletFolder + name;
}

std::string IncludeBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() != '\\') return folder + '\\';
  return folder;
}

}  // namespace qx
