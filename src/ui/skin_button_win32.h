#pragma once
// TSkinButton: a push button that the program draws itself: its parent's background behind it,
// a raised or sunken edge, the caption in the button's font color (embossed when disabled) and
// the focus marks.
#include <windows.h>

#include "ui/gradient_rules.h"
#include "ui/skin_control_win32.h"
#include "ui/skin_rules.h"

namespace qx {

class TSkinButton : public TSkinControl {
public:
  // Skins the existing push button `button` (best made owner-drawn): from now on it is drawn
  // by the program.
  void Attach(HWND button);
  void SetOptions(TSkinOptions options);
  void SetFontColor(TColor color);
  void SetColor(TColor color);

  bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void Draw(const DRAWITEMSTRUCT& item);
  void DrawFace(HDC dc, RECT area, const TButtonState& state);
  void DrawCaption(HDC dc, RECT area, const TButtonFace& face);
  bool IsDefault() const;
  void Repaint();

  TSkinOptions Options = 0;
  TColor FontColor = MakeColor(0, 0, 0);
  TColor Color = MakeColor(0, 0, 0);
};

}  // namespace qx
