#include "ui/skin_button_win32.h"

#include <string>

#include "ui/gdi_win32.h"
#include "ui/parent_background_win32.h"

namespace qx {

void TSkinButton::Attach(HWND button) {
  Subclass(button);
  const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
  if ((style & BS_TYPEMASK) != BS_OWNERDRAW) SendMessageA(button, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
}

void TSkinButton::SetOptions(TSkinOptions options) {
  Options = options;
  Repaint();
}

void TSkinButton::SetFontColor(TColor color) {
  if (color == FontColor) return;
  FontColor = color;
  Repaint();
}

void TSkinButton::SetColor(TColor color) {
  if (color == Color) return;
  Color = color;
  Repaint();
}

void TSkinButton::Repaint() {
  if (Window) InvalidateRect(Window, nullptr, FALSE);
}

bool TSkinButton::IsDefault() const {
  // The button that Enter would press, when the parent keeps one.
  const LRESULT answer = SendMessageA(GetParent(Window), DM_GETDEFID, 0, 0);
  return HIWORD(answer) == DC_HASDEFID && LOWORD(answer) == GetDlgCtrlID(Window);
}

bool TSkinButton::Reflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != WM_DRAWITEM) return false;
  Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  result = TRUE;
  return true;
}

void TSkinButton::Draw(const DRAWITEMSTRUCT& item) {
  RECT client;
  GetClientRect(Window, &client);
  TOffscreen picture(item.hDC, client.right, client.bottom);
  if (Options & ocPaintTransparently)
    PaintParentBackground(Window, picture.Dc());
  else
    FillSolid(picture.Dc(), client, ToColorRef(Color));
  TButtonState state;
  state.Focused = (item.itemState & ODS_FOCUS) != 0;
  state.Pressed = (item.itemState & ODS_SELECTED) != 0;
  state.Enabled = (item.itemState & ODS_DISABLED) == 0;
  state.Default = IsDefault();
  DrawFace(picture.Dc(), client, state);
  picture.CopyTo(item.hDC, 0, 0);
}

void TSkinButton::DrawFace(HDC dc, RECT area, const TButtonState& state) {
  const TButtonFace face = ButtonFaceFor(state);
  const RECT client = area;
  if (face.Frame) FrameRect(dc, &area, GetSysColorBrush(COLOR_WINDOWFRAME));
  InflateRect(&area, -face.EdgeInset, -face.EdgeInset);
  DrawEdge(dc, &area, face.Edge == TButtonEdge::Sunken ? BDR_SUNKENINNER : EDGE_RAISED, BF_RECT);
  RECT captionArea = client;
  InflateRect(&captionArea, -face.CaptionInset, -face.CaptionInset);
  DrawCaption(dc, captionArea, face);
  if (face.FocusRectangle) {
    RECT focus = client;
    InflateRect(&focus, -face.FocusInset, -face.FocusInset);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focus);
  }
}

void TSkinButton::DrawCaption(HDC dc, RECT area, const TButtonFace& face) {
  const int length = GetWindowTextLengthA(Window);
  std::string caption(static_cast<std::size_t>(length) + 1, '\0');
  caption.resize(static_cast<std::size_t>(GetWindowTextA(Window, &caption[0], length + 1)));
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(Window, WM_GETFONT, 0, 0));
  TSelection selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  OffsetRect(&area, face.CaptionShift, face.CaptionShift);
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (face.Embossed) {
    RECT highlight = area;
    OffsetRect(&highlight, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, caption.c_str(), -1, &highlight, format);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  } else {
    SetTextColor(dc, ToColorRef(FontColor));
  }
  DrawTextA(dc, caption.c_str(), -1, &area, format);
}

LRESULT TSkinButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;  // the drawing covers the whole button
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button would report a quick second click as a double click; here it
      // stays a click like the first.
      return Default(WM_LBUTTONDOWN, wParam, lParam);
    case WM_ENABLE:
    case WM_SETFONT: {
      const LRESULT result = Default(message, wParam, lParam);
      Repaint();
      return result;
    }
    default: return Default(message, wParam, lParam);
  }
}

}  // namespace qx
