#pragma once
// TPayloadModule: the payload data module. For now it only recognises the maintenance switches;
// the unpacking and the maintenance work join it later.

namespace qx {

class TPayloadModule {
public:
  // True when a maintenance switch is present: the process is in maintenance mode and its work
  // is done by the time this returns. False in a normal run.
  bool RunMaintenanceMode();
};

}  // namespace qx
