#include "platform/socket_layer_win32.h"

#include <winsock2.h>

namespace qx {

bool TWin32SocketLayer::Start() {
  WSADATA data;
  Started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  return Started;
}

void TWin32SocketLayer::Stop() {
  if (Started) WSACleanup();
  Started = false;
}

}  // namespace qx
