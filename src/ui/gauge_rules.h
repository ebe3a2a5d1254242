#pragma once
// The arithmetic of the progress gauge: the position in whole percent and the filled width.
#include <cstdint>

namespace qx {

// (progress - min) * 100 / (max - min), cut towards zero; 0 when the range is empty.
int32_t GaugePercentDone(int32_t minValue, int32_t maxValue, int32_t progress);

// The position clamped to min..max.
int32_t GaugeClamp(int32_t minValue, int32_t maxValue, int32_t progress);

// The filled width of a bar `barWidth` pixels wide (counted inclusively) at `percent`: cut to a
// whole number and never more than the bar.
int32_t GaugeFilledWidth(int32_t barWidth, int32_t percent);

}  // namespace qx
