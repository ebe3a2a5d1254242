#include "app/form_main_win32.h"

#include <commctrl.h>

#include <vector>

#include "app/application_win32.h"
#include "app/common_utils.h"
#include "app/memo_text.h"
#include "app/resource_text.h"
#include "app/result_code.h"
#include "res/resource_ids.h"
#include "res/texts.h"

namespace qx {

bool CancelAutoPlay = true;

namespace {

const COLORREF kWindowColour = RGB(0, 0, 0);
const COLORREF kTextColour = RGB(255, 255, 255);
const COLORREF kGaugeColour = 2490564;  // red 196, green 0, blue 38
const int kProgressBarRight = 320;
const int kFormBorderWidth = 2;
const UINT kWmBurnProgress = WM_USER + 100;

// One control's rectangle from the layout resource.
struct TLayoutItem {
  int Id;
  RECT Bounds;
};

std::vector<TLayoutItem> LoadLayout(HINSTANCE instance) {
  std::vector<TLayoutItem> items;
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_LAYOUT), MAKEINTRESOURCEA(RT_QX_LAYOUT));
  if (!found) return items;
  const DWORD bytes = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const auto* values = static_cast<const int16_t*>(LockResource(loaded));
  if (!values) return items;
  for (DWORD i = 0; i + 5 <= bytes / sizeof(int16_t); i += 5)
    items.push_back({values[i], {values[i + 1], values[i + 2], values[i + 1] + values[i + 3],
                                 values[i + 2] + values[i + 4]}});
  return items;
}

RECT LayoutOf(const std::vector<TLayoutItem>& layout, int id) {
  for (const TLayoutItem& item : layout)
    if (item.Id == id) return item.Bounds;
  return RECT{0, 0, 0, 0};
}

HFONT PointFont(int points, int weight, const char* face) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

HWND CreateChild(HWND parent, const char* className, const std::string& text, DWORD style,
                 const RECT& bounds, int id, HFONT font) {
  HWND child = CreateWindowExA(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                               bounds.left, bounds.top, bounds.right - bounds.left,
                               bounds.bottom - bounds.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  if (child && font) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

void AddHint(HWND tips, HWND control, const std::string& hint) {
  TOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(hint.c_str());
  SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void RegisterMainClass(HINSTANCE instance, WNDPROC procedure, HBRUSH background) {
  WNDCLASSA mainClass{};
  mainClass.lpfnWndProc = procedure;
  mainClass.hInstance = instance;
  mainClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  mainClass.hbrBackground = background;
  mainClass.lpszClassName = QX_MAIN_WINDOW_CLASS;
  RegisterClassA(&mainClass);
}

}  // namespace

TFormMain::TFormMain(bool previewMode, TFormMainEvents* events)
    : PreviewMode(previewMode), Events(events ? events : &NoEvents) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // The hints need the common controls also where the application object is not initialised.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  Background = CreateSolidBrush(kWindowColour);
  RegisterMainClass(instance, WindowProc, Background);

  // Fixed single border with the system menu only, the client area as the layout names it,
  // centred on the desktop.
  const std::vector<TLayoutItem> layout = LoadLayout(instance);
  RECT frame = LayoutOf(layout, 0);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  Window = CreateWindowExA(exStyle, QX_MAIN_WINDOW_CLASS, ResourceText(IDS_WINDOW_TITLE).c_str(),
                           style, left, top, width, height, nullptr, nullptr, instance, this);
  if (!Window) throw Exception("Cannot create the main window");
  if (!Application.MainWindow) Application.MainWindow = Window;
  FormCreate();
}

TFormMain::~TFormMain() {
  if (Application.MainWindow == Window) Application.MainWindow = nullptr;
  if (Window) DestroyWindow(Window);
  if (Font) DeleteObject(Font);
  if (LabelFont) DeleteObject(LabelFont);
  if (Logo) DeleteObject(Logo);
  if (Background) DeleteObject(Background);
}

void TFormMain::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const std::vector<TLayoutItem> layout = LoadLayout(instance);
  Font = PointFont(8, FW_NORMAL, "Tahoma");
  LabelFont = PointFont(8, FW_BLACK, "Arial Black");

  RECT client;
  GetClientRect(Window, &client);
  Logo = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0));
  BITMAP logoSize{};
  if (Logo) GetObjectA(Logo, sizeof logoSize, &logoSize);
  RECT logoBounds = LayoutOf(layout, IDC_IMAGE_LOGO);
  logoBounds.left = client.right / 2 - logoSize.bmWidth / 2;
  logoBounds.right = logoBounds.left + logoSize.bmWidth;
  logoBounds.bottom = logoBounds.top + logoSize.bmHeight;
  HWND image = CreateChild(Window, "STATIC", "", SS_BITMAP, logoBounds, IDC_IMAGE_LOGO, nullptr);
  SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Logo));

  CreateChild(Window, "STATIC", ResourceText(IDS_LABEL_PROGRESS), SS_LEFT,
              LayoutOf(layout, IDC_LABEL_PROGRESS), IDC_LABEL_PROGRESS, LabelFont);

  // The right gauge starts where the left one ends and reaches x = 320.
  const RECT leftBar = LayoutOf(layout, IDC_PROGRESS_BAR_LEFT);
  RECT rightBar = LayoutOf(layout, IDC_PROGRESS_BAR);
  rightBar.left = leftBar.right;
  rightBar.right = kProgressBarRight;
  ProgressBarLeft.Create(Window, IDC_PROGRESS_BAR_LEFT, leftBar);
  ProgressBar.Create(Window, IDC_PROGRESS_BAR, rightBar);
  for (TGauge* gauge : {&ProgressBarLeft, &ProgressBar}) {
    gauge->SetBorderStyle(TGaugeBorderStyle::None);
    gauge->SetShowText(false);
    gauge->SetForeColor(kGaugeColour);
    gauge->SetBackColor(kWindowColour);
  }

  HWND memo = CreateChild(Window, "EDIT", "",
                          ES_MULTILINE | ES_READONLY | ES_CENTER | ES_AUTOVSCROLL | WS_VSCROLL |
                              WS_TABSTOP,
                          LayoutOf(layout, IDC_MEMO_STATUS), IDC_MEMO_STATUS, Font);
  SendMessageA(memo, EM_SETLIMITTEXT, 0, 0);
  const TMemoPrefillTexts prefill{ResourceText(IDS_MEMO_RULE), ResourceText(IDS_MEMO_OWNERSHIP),
                                  ResourceText(IDS_MEMO_CREDIT),
                                  ResourceText(IDS_MEMO_DISCLAIMER_HEADING),
                                  ResourceText(IDS_MEMO_DISCLAIMER)};
  SetWindowTextA(memo, MemoPrefill(prefill).c_str());

  HWND left = CreateChild(Window, "BUTTON", ResourceText(IDS_BUTTON_HELP),
                          BS_OWNERDRAW | WS_TABSTOP, LayoutOf(layout, IDC_BUTTON_LEFT),
                          IDC_BUTTON_LEFT, Font);
  HWND right = CreateChild(Window, "BUTTON", ResourceText(IDS_BUTTON_OK),
                           BS_OWNERDRAW | WS_TABSTOP, LayoutOf(layout, IDC_BUTTON_RIGHT),
                           IDC_BUTTON_RIGHT, Font);
  MemoStatus.Attach(memo);
  ButtonLeft.Attach(left);
  ButtonRight.Attach(right);

  HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window,
                              nullptr, instance, nullptr);
  if (tips) {
    AddHint(tips, memo, ResourceText(IDS_HINT_MEMO));
    AddHint(tips, left, ResourceText(IDS_HINT_HELP));
  }
}

void TFormMain::FormCreate() {
  QueryCancelAutoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
  CreateControls();
  ApplySkin();
  SetRightButtonCaption(ResourceText(IDS_BUTTON_PLEASE_WAIT));
  Step = 0;
  ResultCode = -1;
  Events->FormCreated();

  // On NT a freshly started program may not take the foreground; a minimise and restore lets it.
  if (IsNT) {
    ShowWindow(Window, SW_MINIMIZE);
    ShowWindow(Window, SW_RESTORE);
  }
  ShowWindow(Window, SW_SHOW);
  SetForegroundWindow(Window);

  if (PreviewMode) {
    RedrawWindow(Window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    Sleep(5000);
    Close();
  }
}

// The window's look: no caption, the gradient, dragging by any free point, and controls that let
// the gradient show through; plain red with black memo text on a 4-bit or 8-bit display.
void TFormMain::ApplySkin() {
  SkinFormHook.Attach(Window, TFormBorderStyle::Single, kFormBorderWidth, kWindowColour);
  SkinFormHook.SetOptions(ocPaintGradiently | ocNoCaption | ocDragUsingClientArea | ocFlatBorder);
  const TWindowColours colours = WindowColoursFor(DisplayInfo1.ColorMode());
  SkinFormHook.SetStartColor(colours.GradientStart);
  SkinFormHook.SetEndColor(colours.GradientEnd);
  MemoStatus.SetOptions(ocNoCaption | ocPaintTransparently);
  MemoStatus.SetFontColor(colours.MemoText);
  for (TSkinButton* button : {&ButtonLeft, &ButtonRight}) {
    button->SetOptions(ocPaintTransparently);
    button->SetColor(kWindowColour);
    button->SetFontColor(kTextColour);
  }
}

int TFormMain::SetResult(int code) {
  ResultCode = NextResultCode(ResultCode, code);
  return ResultCode;
}

void TFormMain::SetRightButton(int kind) {
  HWND right = Control(IDC_BUTTON_RIGHT);
  EnableWindow(right, TRUE);
  SetRightButtonCaption(ResourceText(kind == 1 ? IDS_BUTTON_OK : IDS_BUTTON_CANCEL));
  SetFocus(kind == 1 ? right : Control(IDC_BUTTON_LEFT));
}

void TFormMain::SetRightButtonCaption(const std::string& caption) {
  SetWindowTextA(Control(IDC_BUTTON_RIGHT), caption.c_str());
}

std::string TFormMain::StatusText() const {
  HWND memo = Control(IDC_MEMO_STATUS);
  const int length = GetWindowTextLengthA(memo);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(memo, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void TFormMain::AppendStatus(const std::string& item) {
  HWND memo = Control(IDC_MEMO_STATUS);
  const std::string before = StatusText();
  const std::string added = AppendMemoItem(before, item).substr(before.size());
  const int end = GetWindowTextLengthA(memo);
  SendMessageA(memo, EM_SETSEL, end, end);
  SendMessageA(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
  SendMessageA(memo, EM_SCROLLCARET, 0, 0);
}

void TFormMain::Close() { SendMessageA(Window, WM_CLOSE, 0, 0); }

void TFormMain::CloseFromRightButton() {
  ClosingFromRightButton = true;
  Close();
  ClosingFromRightButton = false;
}

bool TFormMain::FormClose() {
  // Only the right button closes the window: Alt+F4, the system menu and the window itself are
  // refused, so the session cannot be ended silently from outside.
  return ClosingFromRightButton;
}

void TFormMain::MemoStatusChange() {
  HWND left = Control(IDC_BUTTON_LEFT);
  EnableWindow(left, TRUE);
  SetFocus(left);
}

LRESULT CALLBACK TFormMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* form = static_cast<TFormMain*>(create->lpCreateParams);
    form->Window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TFormMain*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  LRESULT result = form ? form->WndProc(message, wParam, lParam)
                        : DefWindowProcA(window, message, wParam, lParam);
  // Every message gives the other threads a turn.
  Sleep(0);
  return result;
}

LRESULT TFormMain::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (QueryCancelAutoPlayMessage != 0 &&
      static_cast<uint16_t>(message) == static_cast<uint16_t>(QueryCancelAutoPlayMessage) &&
      CancelAutoPlay)
    return 1;
  switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kTextColour);
      SetBkColor(dc, kWindowColour);
      return reinterpret_cast<LRESULT>(Background);
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDC_MEMO_STATUS && code == EN_CHANGE) MemoStatusChange();
      if (code == BN_CLICKED && id == IDC_BUTTON_LEFT) Events->ButtonLeftClick();
      if (code == BN_CLICKED && id == IDC_BUTTON_RIGHT) Events->ButtonRightClick();
      return 0;
    }
    case kWmBurnProgress:
      // The position first, so it is clamped to the previous maximum.
      ProgressBar.SetProgress(static_cast<int32_t>(wParam));
      ProgressBar.SetMaxValue(static_cast<int32_t>(lParam));
      return 0;
    case WM_ACTIVATEAPP:
      if (wParam) Events->ApplicationActivated();
      return 0;
    case WM_CLOSE:
      if (FormClose()) DestroyWindow(Window);
      return 0;
    case WM_DESTROY:
      Events->FormDestroyed();
      if (Application.MainWindow == Window && !PreviewMode) Application.Terminate();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(Window, GWLP_USERDATA, 0);
      Window = nullptr;
      return 0;
    default:
      return DefWindowProcA(Window, message, wParam, lParam);
  }
}

}  // namespace qx
