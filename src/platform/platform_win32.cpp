// The platform family and the product banner.
#include <windows.h>

#include "platform/common_utils.h"
#include "platform/resource_text.h"
#include "res/texts.h"

namespace qx {

bool DetectPlatform() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool known = GetVersionExA(&info) != FALSE;
#pragma GCC diagnostic pop
  return known && (info.dwMajorVersion > 4 || info.dwPlatformId == VER_PLATFORM_WIN32_NT);
}

std::string ProductBanner() { return ResourceText(IDS_PRODUCT_BANNER); }

}  // namespace qx
