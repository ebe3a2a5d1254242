// The applet's own path and folder, as the platform reports them for the running module.
#include <windows.h>

#include "platform/common_utils.h"
#include "common/paths.h"

namespace qx {

std::string AppletFileName() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

std::string AppletFolder() { return FolderPart(AppletFileName()); }

std::string AppPath(const std::string& name) { return AppPathIn(AppletFolder(), name); }

}  // namespace qx
