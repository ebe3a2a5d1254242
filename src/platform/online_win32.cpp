// The Internet connected-state query.
#include <windows.h>
#include <wininet.h>

#include "platform/common_utils.h"

namespace qx {

bool IsOnline() {
  DWORD kinds = 0;  // the connection kinds are not used
  return InternetGetConnectedState(&kinds, 0) != FALSE;
}

}  // namespace qx
