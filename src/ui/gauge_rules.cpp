#include "ui/gauge_rules.h"

namespace qx {

int32_t GaugePercentDone(int32_t minValue, int32_t maxValue, int32_t progress) {
  const int64_t range = static_cast<int64_t>(maxValue) - minValue;
  if (range <= 0) return 0;
  return static_cast<int32_t>((static_cast<int64_t>(progress) - minValue) * 100 / range);
}

int32_t GaugeClamp(int32_t minValue, int32_t maxValue, int32_t progress) {
  if (progress < minValue) return minValue;
  if (progress > maxValue) return maxValue;
  return progress;
}

int32_t GaugeFilledWidth(int32_t barWidth, int32_t percent) {
  const int64_t filled = static_cast<int64_t>(barWidth) * percent / 100;
  if (filled > barWidth) return barWidth;
  return filled < 0 ? 0 : static_cast<int32_t>(filled);
}

}  // namespace qx
