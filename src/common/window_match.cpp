#include "common/window_match.h"

namespace qx {

bool WindowMatches(const std::string& windowTitle, const std::string& windowClass,
                   const std::string& wantedTitle, const std::string& wantedClass) {
  const std::string title = windowTitle.substr(0, kWindowTextLimit);
  if (title.empty() || title.find(wantedTitle) == std::string::npos) return false;
  if (wantedClass.empty()) return true;
  return windowClass.substr(0, kWindowTextLimit).find(wantedClass) != std::string::npos;
}

}  // namespace qx
