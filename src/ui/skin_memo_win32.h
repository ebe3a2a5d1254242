#pragma once
// TSkinMemo: a multi-line edit that can let its parent's background show through: the gradient
// under it, the text without a box behind it, every picture composed off-screen.
#include <windows.h>

#include "ui/gradient_rules.h"
#include "ui/skin_control_win32.h"
#include "ui/skin_rules.h"

namespace qx {

class TSkinMemo : public TSkinControl {
public:
  // Skins the existing edit control `memo`.
  void Attach(HWND memo);
  void SetOptions(TSkinOptions options);
  void SetFontColor(TColor color);

  bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  bool Transparent() const { return Options & ocPaintTransparently; }
  // Paints the parent's background and the text off-screen and copies them to `target`.
  void Compose(HDC target);
  // Composes on the screen at once, for the changes the edit draws by scrolling pixels.
  void Recompose();

  TSkinOptions Options = 0;
  TColor FontColor = MakeColor(0, 0, 0);
};

}  // namespace qx
