#include "ui/gradient_rules.h"

namespace qx {

int32_t RoundedMulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t divisor = c < 0 ? -static_cast<int64_t>(c) : c;
  const int64_t dividend = c < 0 ? -product : product;
  const int64_t half = divisor / 2;
  const int64_t rounded = dividend >= 0 ? (dividend + half) / divisor : (dividend - half) / divisor;
  return static_cast<int32_t>(rounded);
}

namespace {

int Channel(int index, int start, int end) {
  return start + RoundedMulDiv(index, end - start, kGradientSteps);
}

}  // namespace

TGradientBand GradientBand(int index, int32_t origin, int32_t extent, TColor start, TColor end) {
  TGradientBand band;
  band.From = origin + RoundedMulDiv(index, extent, kGradientSteps);
  band.To = origin + RoundedMulDiv(index + 1, extent, kGradientSteps);
  band.Color =
      MakeColor(Channel(index, RedOf(start), RedOf(end)), Channel(index, GreenOf(start), GreenOf(end)),
                Channel(index, BlueOf(start), BlueOf(end)));
  return band;
}

}  // namespace qx
