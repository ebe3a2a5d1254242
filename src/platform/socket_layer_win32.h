#pragma once
// Windows Sockets, started and stopped around the results report.
#include "session/session_end.h"

namespace qx {

class TWin32SocketLayer : public TSocketLayer {
public:
  bool Start() override;
  void Stop() override;

private:
  bool Started = false;
};

}  // namespace qx
