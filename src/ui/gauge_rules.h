#pragma once
// The progress gauge without the platform: its properties, the rules of setting them (clamping,
// range errors, whether a repaint is due) and the arithmetic of percent and filled width.
#include <cstdint>
#include <string>

#include "base/exception.h"
#include "ui/gradient_rules.h"

namespace qx {

// (progress - min) * 100 / (max - min), cut towards zero; 0 when the range is empty.
int32_t GaugePercentDone(int32_t minValue, int32_t maxValue, int32_t progress);

// The position clamped to min..max.
int32_t GaugeClamp(int32_t minValue, int32_t maxValue, int32_t progress);

// The filled width of a bar `barWidth` pixels wide (counted inclusively) at `percent`: cut to a
// whole number and never more than the bar.
int32_t GaugeFilledWidth(int32_t barWidth, int32_t percent);

// A range setting that would leave the range empty the wrong way round.
class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

enum class TGaugeBorderStyle { None, Single };

struct TGaugeRect {
  int32_t Left, Top, Right, Bottom;  // right and bottom exclusive
};

// What the gauge paints for a client rectangle: the bar area, filled with the back color, and
// the filled part in the fore color (nothing when Right <= Left).
struct TGaugePicture {
  TGaugeRect Bar;
  TGaugeRect Filled;
};

// The gauge's state. Every setter answers whether the control must be repainted.
class TGaugeModel {
public:
  int32_t MinValue() const { return Min; }
  int32_t MaxValue() const { return Max; }
  int32_t Progress() const { return Position; }
  int32_t PercentDone() const { return GaugePercentDone(Min, Max, Position); }
  TColor ForeColor() const { return Fore; }
  TColor BackColor() const { return Back; }
  TGaugeBorderStyle BorderStyle() const { return Border; }
  bool ShowText() const { return Text; }

  // Clamps to the range; due only when the percentage changes.
  bool SetProgress(int32_t value);
  // Throws EInvalidOperation "Value must be between %d and %d" when `value` is below the minimum
  // (unless the control is being loaded); lowers the position when it is above.
  bool SetMaxValue(int32_t value);
  // The mirror image of SetMaxValue.
  bool SetMinValue(int32_t value);
  bool SetForeColor(TColor color);
  bool SetBackColor(TColor color);
  bool SetBorderStyle(TGaugeBorderStyle style);
  bool SetShowText(bool show);

  // The picture for a client rectangle of `width` x `height` pixels.
  TGaugePicture Picture(int32_t width, int32_t height) const;
  // "%d%%" with the percentage: the text drawn over the bar when ShowText is on.
  std::string Caption() const;

  bool Loading = false;  // set while the form description is applied

private:
  int32_t Min = 0;
  int32_t Max = 100;
  int32_t Position = 0;
  TColor Fore = MakeColor(0, 0, 0);
  TColor Back = MakeColor(255, 255, 255);
  TGaugeBorderStyle Border = TGaugeBorderStyle::Single;
  bool Text = true;
};

}  // namespace qx
