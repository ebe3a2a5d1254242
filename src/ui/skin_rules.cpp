#include "ui/skin_rules.h"

namespace qx {

namespace {

constexpr int kFrameWidth = 1;
constexpr int kRaisedEdgeWidth = 2;  // raised outer and inner
constexpr int kSunkenEdgeWidth = 1;  // sunken inner only
constexpr int kFocusInset = 4;

bool HasFrame(TFormBorderStyle borderStyle) { return borderStyle != TFormBorderStyle::None; }

}  // namespace

uint32_t StyleForCaptionOption(uint32_t style, bool noCaption, TFormBorderStyle borderStyle) {
  if (!HasFrame(borderStyle)) return style;
  return noCaption ? style & ~kCaptionStyle : style | kCaptionStyle;
}

int64_t HitTestForDrag(int64_t result, TSkinOptions options) {
  if ((options & ocDragUsingClientArea) && result == kHitClient) return kHitCaption;
  return result;
}

bool RepaintsAfterSize(int sizeType, TSkinOptions options) {
  return (options & ocPaintGradiently) && (sizeType == kSizeRestored || sizeType == kSizeMaximized);
}

TButtonFace ButtonFaceFor(const TButtonState& state) {
  TButtonFace face{};
  face.Frame = state.Focused || state.Default;
  face.EdgeInset = face.Frame ? kFrameWidth : 0;
  face.Edge = state.Pressed ? TButtonEdge::Sunken : TButtonEdge::Raised;
  face.CaptionInset = face.EdgeInset + (state.Pressed ? kSunkenEdgeWidth : kRaisedEdgeWidth);
  face.CaptionShift = state.Pressed ? 1 : 0;
  face.Embossed = !state.Enabled;
  face.FocusRectangle = state.Focused;
  face.FocusInset = kFocusInset;
  return face;
}

}  // namespace qx
