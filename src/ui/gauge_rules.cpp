#include "ui/gauge_rules.h"

#include <cstdio>

#include "res/texts.h"

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

namespace {

constexpr int32_t kLargest = 2147483647;

EInvalidOperation RangeError(int64_t low, int64_t high) {
  char text[96];
  std::snprintf(text, sizeof text, TextById(IDS_VALUE_OUT_OF_RANGE), static_cast<int>(low),
                static_cast<int>(high));
  return EInvalidOperation(text);
}

template <class T>
bool Change(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

bool TGaugeModel::SetProgress(int32_t value) {
  const int32_t clamped = GaugeClamp(Min, Max, value);
  if (clamped == Position) return false;
  const int32_t before = PercentDone();
  Position = clamped;
  return PercentDone() != before;
}

bool TGaugeModel::SetMaxValue(int32_t value) {
  if (value == Max) return false;
  if (value < Min && !Loading) throw RangeError(static_cast<int64_t>(Min) + 1, kLargest);
  Max = value;
  if (Position > Max) Position = Max;
  return true;
}

bool TGaugeModel::SetMinValue(int32_t value) {
  if (value == Min) return false;
  if (value > Max && !Loading) throw RangeError(-kLargest, static_cast<int64_t>(Max) - 1);
  Min = value;
  if (Position < Min) Position = Min;
  return true;
}

bool TGaugeModel::SetForeColor(TColor color) { return Change(Fore, color); }
bool TGaugeModel::SetBackColor(TColor color) { return Change(Back, color); }
bool TGaugeModel::SetBorderStyle(TGaugeBorderStyle style) { return Change(Border, style); }
bool TGaugeModel::SetShowText(bool show) { return Change(Text, show); }

TGaugePicture TGaugeModel::Picture(int32_t width, int32_t height) const {
  const int32_t inset = Border == TGaugeBorderStyle::Single ? 1 : 0;
  TGaugePicture picture;
  picture.Bar = {inset, inset, width - inset, height - inset};
  // Width and height are counted inclusively (right - left + 1), and the fill runs from the
  // bar's corner to x = the filled width and y = that height: the gauge has always measured so,
  // which makes the 279-pixel bar count 280 and reach x = 140 at 50 %.
  const int32_t barWidth = picture.Bar.Right - picture.Bar.Left + 1;
  const int32_t barHeight = picture.Bar.Bottom - picture.Bar.Top + 1;
  const int32_t filled = GaugeFilledWidth(barWidth, PercentDone());
  picture.Filled = {picture.Bar.Left, picture.Bar.Top, picture.Bar.Left, picture.Bar.Top};
  if (filled >= 1) picture.Filled = {picture.Bar.Left, picture.Bar.Top, filled, barHeight};
  return picture;
}

std::string TGaugeModel::Caption() const {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", static_cast<int>(PercentDone()));
  return text;
}

}  // namespace qx
