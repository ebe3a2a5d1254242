#include "recording/speed_rule.h"

namespace qx {

namespace {

constexpr uint16_t kSpeed2X = 353, kSpeed4X = 706, kSpeed8X = 1411, kSpeed10X = 1764, kSpeed12X = 2117,
                   kSpeed16X = 2822;

// Only a fast machine is trusted with the recorder's full speed, and only when the recorder
// guards against underruns; the 9x family needs a faster processor for that.
uint16_t BaseSpeed(const TSpeedInputs& in) {
  const int32_t fullSpeedCpu = in.IsNT ? 300 : 800;
  if (in.CpuSpeed > fullSpeedCpu && in.BurnProof) return in.HighestWriteSpeed;
  if (in.CpuSpeed > 300 && in.MemoryFactor >= 2) return kSpeed8X;
  return kSpeed4X;
}

// After a good recording under hold, keep the speed of that recording.
uint16_t HeldSpeed(int32_t priorX, uint16_t speed) {
  if (priorX > 12) return kSpeed16X;
  switch (priorX) {
    case 12: return kSpeed12X;
    case 10: return kSpeed10X;
    case 8: return kSpeed8X;
    case 6:
    case 4: return kSpeed4X;
    case 2:
    case 1: return kSpeed2X;
    default: return speed;
  }
}

// After a bad recording, one step below the speed that failed.
uint16_t SteppedDownSpeed(int32_t priorX, uint16_t speed) {
  if (priorX > 10) return kSpeed10X;
  switch (priorX) {
    case 10: return kSpeed8X;
    case 8:
    case 6: return kSpeed4X;
    case 4: return kSpeed2X;
    default: return speed;
  }
}

}  // namespace

TSpeedChoice ChooseWriteSpeed(const TSpeedInputs& in) {
  TSpeedChoice choice{BaseSpeed(in), in.PriorSaidHoldThrottle};
  if (in.PriorBurnWasGood) {
    // Every tenth success tries the base speed again. Wide sum: counters come from the registry.
    const int64_t successes = int64_t{in.TAOModeSuccess} + in.SAOModeSuccess + in.DAOModeSuccess;
    if (successes > 0 && successes % 10 == 0) choice.PriorSaidHoldThrottle = false;
    if (choice.PriorSaidHoldThrottle) choice.Speed = HeldSpeed(in.PriorX, choice.Speed);
  } else {
    choice.Speed = SteppedDownSpeed(in.PriorX, choice.Speed);
    choice.PriorSaidHoldThrottle = true;
  }
  return choice;
}

}  // namespace qx
