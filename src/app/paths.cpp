#include "app/paths.h"

namespace qx {

std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string AppPathIn(const std::string& appletFolder, const std::string& name) {
  if (FolderPart(name) == appletFolder) return name;
  return appletFolder + name;
}

std::string IncludeBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() != '\\') return folder + '\\';
  return folder;
}

}  // namespace qx
