#pragma once
// The skinned window's decisions that do not need the platform: which options it takes, when the
// caption goes or comes back, what a hit test becomes, when a size change repaints, and how a
// skinned button lays out its face. The platform values are mirrored here and checked against
// the real ones where the platform is compiled in.
#include <cstdint>

namespace qx {

enum TSkinOption : unsigned {
  ocPaintGradiently = 1u << 0,
  ocNoCaption = 1u << 1,
  ocDragUsingClientArea = 1u << 2,
  ocFlatBorder = 1u << 3,
  ocPaintTransparently = 1u << 4,
};
using TSkinOptions = unsigned;

// The window's border: framed (the only one the applet makes) or none.
enum class TFormBorderStyle { None, Single };

constexpr uint32_t kCaptionStyle = 0x00C00000;  // the caption bit with the thin border bit
constexpr int kHitClient = 1;
constexpr int kHitCaption = 2;
constexpr int kSizeRestored = 0;
constexpr int kSizeMaximized = 2;

// The window style once the caption option has been applied (or cleared) on a window with
// `borderStyle`. Only framed border styles lose their caption; clearing the option puts it back.
uint32_t StyleForCaptionOption(uint32_t style, bool noCaption, TFormBorderStyle borderStyle);

// The hit test result once the drag option has been applied: the client area becomes caption,
// so that the platform moves the window.
int64_t HitTestForDrag(int64_t result, TSkinOptions options);

// Whether a size change of `sizeType` erases and repaints the gradient again.
bool RepaintsAfterSize(int sizeType, TSkinOptions options);

// How a skinned button draws its face in one state.
struct TButtonState {
  bool Focused = false;
  bool Default = false;  // the button that the Enter key would press
  bool Pressed = false;
  bool Enabled = true;
};

enum class TButtonEdge { Raised, Sunken };

struct TButtonFace {
  bool Frame;     // the one-pixel frame in the window-frame color
  int EdgeInset;  // how far in the edge is drawn (after the frame)
  TButtonEdge Edge;
  int CaptionInset;  // the caption's area: the client rectangle shrunk by this much
  int CaptionShift;  // moved right and down by this much
  bool Embossed;     // disabled: highlight one pixel right and down, then shadow in place
  bool FocusRectangle;
  int FocusInset;  // the dotted focus rectangle, this far inside the client rectangle
};

TButtonFace ButtonFaceFor(const TButtonState& state);

}  // namespace qx
