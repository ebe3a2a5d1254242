#pragma once
// TBurnDataModule: the burn data module that starts, aborts and completes a recording. For now it
// holds only the simulation flag; the recording joins it later.

namespace qx {

class TBurnDataModule {
public:
  bool TestMode = false;  // record in simulation mode
};

}  // namespace qx
