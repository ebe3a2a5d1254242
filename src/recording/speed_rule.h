#pragma once
// The write speed a recording uses, from the machine, the recorder and the history of earlier
// recordings. A pure rule: the burn worker gathers the inputs, calls it and sets the speed.
#include <cstdint>

namespace qx {

// Speeds are in kB/s; 176 kB/s is single speed (1X).
struct TSpeedInputs {
  bool IsNT = true;
  int32_t CpuSpeed = 0;            // MHz
  int32_t MemoryFactor = 2;        // 2 or 4
  bool BurnProof = false;          // the recorder protects against buffer underruns
  uint16_t HighestWriteSpeed = 0;  // 0 when the recorder's speeds could not be read
  bool PriorBurnWasGood = true;
  bool PriorSaidHoldThrottle = false;
  int32_t PriorX = 0;  // speed factor of the previous recording
  int32_t TAOModeSuccess = 0, SAOModeSuccess = 0, DAOModeSuccess = 0;
};

struct TSpeedChoice {
  uint16_t Speed = 0;
  bool PriorSaidHoldThrottle = false;  // the new hold flag, saved with the history
};

TSpeedChoice ChooseWriteSpeed(const TSpeedInputs& inputs);

}  // namespace qx
