#include "ui/main_window_win32.h"

#include <commctrl.h>

#include <vector>

#include "platform/application_win32.h"
#include "ui/memo_text.h"
#include "platform/resource_text.h"
#include "burn/burn_messages.h"
#include "res/resource_ids.h"
#include "res/texts.h"

namespace qx {

namespace {

const COLORREF kWindowColor = RGB(0, 0, 0);
const COLORREF kTextColor = RGB(255, 255, 255);
const COLORREF kGaugeColor = 2490564;  // red 196, green 0, blue 38
const int kProgressBarRight = 320;
const int kFormBorderWidth = 2;
// The window's own notice, posted once it has agreed to a log-off or shutdown; anyone may post
// it, and the session acts on it only after an agreed query.
const UINT kEndSessionAgreed = WM_APP + 10;

using TShutdownBlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using TShutdownBlockReasonDestroy = BOOL(WINAPI*)(HWND);

// An entry point of user32 that older systems lack, or null.
template <class Fn>
Fn User32Entry(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

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
    items.push_back(
        {values[i],
         {values[i + 1], values[i + 2], values[i + 1] + values[i + 3], values[i + 2] + values[i + 4]}});
  return items;
}

RECT LayoutOf(const std::vector<TLayoutItem>& layout, int id) {
  for (const TLayoutItem& item : layout)
    if (item.Id == id) return item.Bounds;
  return RECT{0, 0, 0, 0};
}

HFONT PointFont(int points, int weight, const char* face) {
  const TWindowDc screen(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
  return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

HWND CreateChild(HWND parent, const char* className, const std::string& text, DWORD style, const RECT& bounds,
                 int id, HFONT font) {
  HWND child =
      CreateWindowExA(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                      bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (child && font) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

TOOLINFOA HintOf(HWND control, const std::string& hint) {
  TOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(hint.c_str());
  return tool;
}

void AddHint(HWND tips, HWND control, const std::string& hint) {
  TOOLINFOA tool = HintOf(control, hint);
  if (tips) SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void RemoveHint(HWND tips, HWND control) {
  TOOLINFOA tool = HintOf(control, std::string());
  if (tips) SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void UpdateHint(HWND tips, HWND control, const std::string& hint) {
  TOOLINFOA tool = HintOf(control, hint);
  if (tips) SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
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

TMainWindow::TMainWindow(TApplication& application, bool isNT)
    : Application(application), IsNT(isNT), Events(&NoEvents) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // The hints need the common controls also where the application object is not initialised.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  Background.Reset(CreateSolidBrush(kWindowColor));
  RegisterMainClass(instance, WindowProc, Background.Get());

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
  Window = CreateWindowExA(exStyle, QX_MAIN_WINDOW_CLASS, ResourceText(IDS_WINDOW_TITLE).c_str(), style, left,
                           top, width, height, nullptr, nullptr, instance, this);
  if (!Window) throw Exception("Cannot create the main window");
  if (!Application.MainWindow) Application.MainWindow = Window;
  QueryCancelAutoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
  CreateControls();
  ApplySkin();
}

TMainWindow::~TMainWindow() {
  if (Application.MainWindow == Window) Application.MainWindow = nullptr;
  Destroying = true;
  if (Window) DestroyWindow(Window);
}

void TMainWindow::SetShutdownBlockReason(const std::string& reason) {
  if (!Window) return;
  if (reason.empty()) {
    if (auto destroy = User32Entry<TShutdownBlockReasonDestroy>("ShutdownBlockReasonDestroy"))
      destroy(Window);
    return;
  }
  auto create = User32Entry<TShutdownBlockReasonCreate>("ShutdownBlockReasonCreate");
  if (!create) return;
  const int length = MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, nullptr, 0);
  if (length <= 0) return;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, reason.c_str(), -1, &wide[0], length);
  create(Window, wide.c_str());
}

void TMainWindow::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const std::vector<TLayoutItem> layout = LoadLayout(instance);
  Font.Reset(PointFont(8, FW_NORMAL, "Tahoma"));
  LabelFont.Reset(PointFont(8, FW_BLACK, "Arial Black"));

  RECT client;
  GetClientRect(Window, &client);
  Logo.Reset(static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0, 0)));
  BITMAP logoSize{};
  if (Logo.Get()) GetObjectA(Logo.Get(), sizeof logoSize, &logoSize);
  RECT logoBounds = LayoutOf(layout, IDC_IMAGE_LOGO);
  logoBounds.left = client.right / 2 - logoSize.bmWidth / 2;
  logoBounds.right = logoBounds.left + logoSize.bmWidth;
  logoBounds.bottom = logoBounds.top + logoSize.bmHeight;
  HWND image = CreateChild(Window, "STATIC", "", SS_BITMAP, logoBounds, IDC_IMAGE_LOGO, nullptr);
  SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Logo.Get()));

  CreateChild(Window, "STATIC", ResourceText(IDS_LABEL_PROGRESS), SS_LEFT,
              LayoutOf(layout, IDC_LABEL_PROGRESS), IDC_LABEL_PROGRESS, LabelFont.Get());

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
    gauge->SetForeColor(kGaugeColor);
    gauge->SetBackColor(kWindowColor);
  }

  HWND memo = CreateChild(Window, "EDIT", "",
                          ES_MULTILINE | ES_READONLY | ES_CENTER | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                          LayoutOf(layout, IDC_MEMO_STATUS), IDC_MEMO_STATUS, Font.Get());
  SendMessageA(memo, EM_SETLIMITTEXT, 0, 0);
  const TMemoPrefillTexts prefill{ResourceText(IDS_MEMO_RULE), ResourceText(IDS_MEMO_OWNERSHIP),
                                  ResourceText(IDS_MEMO_CREDIT), ResourceText(IDS_MEMO_DISCLAIMER_HEADING),
                                  ResourceText(IDS_MEMO_DISCLAIMER)};
  SetWindowTextA(memo, MemoPrefill(prefill).c_str());

  HWND left = CreateChild(Window, "BUTTON", ResourceText(IDS_BUTTON_HELP), BS_OWNERDRAW | WS_TABSTOP,
                          LayoutOf(layout, IDC_BUTTON_LEFT), IDC_BUTTON_LEFT, Font.Get());
  HWND right = CreateChild(Window, "BUTTON", ResourceText(IDS_BUTTON_OK), BS_OWNERDRAW | WS_TABSTOP,
                           LayoutOf(layout, IDC_BUTTON_RIGHT), IDC_BUTTON_RIGHT, Font.Get());
  MemoStatus.Attach(memo);
  ButtonLeft.Attach(left);
  ButtonRight.Attach(right);

  Tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window, nullptr, instance, nullptr);
  LeftHint = ResourceText(IDS_HINT_HELP);
  AddHint(Tips, memo, ResourceText(IDS_HINT_MEMO));
  AddHint(Tips, left, LeftHint);
  AddHint(Tips, ProgressBar.Handle(), ProgressBarHint);
}

void TMainWindow::ApplicationRunning() {
  if (ActivatedBeforeRun) OnActivate();
}

void TMainWindow::OnActivate() {
  // Showing the window activates the application while it is still being created; the session
  // only starts once the application runs.
  if (!Application.Running) {
    ActivatedBeforeRun = true;
    return;
  }
  ActivatedBeforeRun = false;
  Events->ApplicationActivated();
}

// The window's look: no caption, the gradient, dragging by any free point, and controls that let
// the gradient show through; plain red with black memo text on a 4-bit or 8-bit display.
void TMainWindow::ApplySkin() {
  SkinFormHook.Attach(Window, TFormBorderStyle::Single, kFormBorderWidth, kWindowColor);
  SkinFormHook.SetOptions(ocPaintGradiently | ocNoCaption | ocDragUsingClientArea | ocFlatBorder);
  const TWindowColors colors = WindowColorsFor(DisplayInfo1.ColorMode());
  SkinFormHook.SetStartColor(colors.GradientStart);
  SkinFormHook.SetEndColor(colors.GradientEnd);
  MemoStatus.SetOptions(ocNoCaption | ocPaintTransparently);
  MemoStatus.SetFontColor(colors.MemoText);
  for (TSkinButton* button : {&ButtonLeft, &ButtonRight}) {
    button->SetOptions(ocPaintTransparently);
    button->SetColor(kWindowColor);
    button->SetFontColor(kTextColor);
  }
}

std::string TMainWindow::StatusText() const {
  HWND memo = Control(IDC_MEMO_STATUS);
  const int length = GetWindowTextLengthA(memo);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(memo, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void TMainWindow::AppendStatus(const std::string& item) {
  HWND memo = Control(IDC_MEMO_STATUS);
  const std::string before = StatusText();
  const std::string added = AppendMemoItem(before, item).substr(before.size());
  const int end = GetWindowTextLengthA(memo);
  SendMessageA(memo, EM_SETSEL, end, end);
  SendMessageA(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
  SendMessageA(memo, EM_SCROLLCARET, 0, 0);
}

void TMainWindow::Show() {
  // On NT a freshly started program may not take the foreground; a minimise and restore lets it.
  if (!ShownOnce && IsNT) {
    ShowWindow(Window, SW_MINIMIZE);
    ShowWindow(Window, SW_RESTORE);
  }
  ShownOnce = true;
  ShowWindow(Window, SW_SHOW);
  SetForegroundWindow(Window);
}

void TMainWindow::Repaint() {
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
}

void TMainWindow::Close() { SendMessageA(Window, WM_CLOSE, 0, 0); }

void TMainWindow::SetButtonHintShown(TButtonId button, bool shown) {
  // Only the left button has a hint.
  if (button != TButtonId::ButtonLeft || shown == LeftHintShown) return;
  LeftHintShown = shown;
  if (shown)
    AddHint(Tips, Control(IDC_BUTTON_LEFT), LeftHint);
  else
    RemoveHint(Tips, Control(IDC_BUTTON_LEFT));
}

void TMainWindow::SetGaugeHint(TGaugeId gauge, const std::string& hint) {
  // The preparation gauge shows no hint.
  if (gauge != TGaugeId::ProgressBar) return;
  ProgressBarHint = hint;
  UpdateHint(Tips, ProgressBar.Handle(), ProgressBarHint);
}

std::string TMainWindow::GaugeHint(TGaugeId gauge) const {
  return gauge == TGaugeId::ProgressBar ? ProgressBarHint : std::string();
}

// Any process may send the two burn messages with any values: they only ring, and what they
// carry is never read. The workers' own reports wait in the mailbox.
void TMainWindow::OnBurnProgress() {
  int position = 0, maximum = 0;
  if (Mailbox && Mailbox->TakeProgress(position, maximum)) SetProgressFromWorker(position, maximum);
}

void TMainWindow::SetProgressFromWorker(int position, int maximum) {
  // Position first, then the maximum: the position is clamped to the previous maximum.
  ProgressBar.SetProgress(position);
  // A maximum below the minimum is refused by the gauge, and that refusal must not leave the
  // window procedure.
  try {
    ProgressBar.SetMaxValue(maximum);
  } catch (const std::exception&) {
  }
}

void TMainWindow::OnBurnText() {
  std::string text;
  if (Mailbox && Mailbox->TakeText(text)) AppendStatus(text);
}

LRESULT CALLBACK TMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* form = static_cast<TMainWindow*>(create->lpCreateParams);
    form->Window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TMainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  LRESULT result =
      form ? form->WndProc(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
  // Every message gives the other threads a turn.
  Sleep(0);
  return result;
}

LRESULT TMainWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The registered message's number is compared as a 16-bit value, as the shell's own is.
  if (QueryCancelAutoPlayMessage != 0 &&
      static_cast<uint16_t>(message) == static_cast<uint16_t>(QueryCancelAutoPlayMessage) &&
      Events->RefuseAutoPlay())
    return 1;
  switch (message) {
    case WM_BURNPROGRESS: OnBurnProgress(); return 0;
    case WM_BURNTEXT: OnBurnText(); return 0;
    case WM_QUERYENDSESSION: {
      // Refused while the write runs; once agreed, the session ends after this answer has gone.
      const bool agreed = Events->QueryEndSession();
      if (agreed) PostMessageA(Window, kEndSessionAgreed, 0, 0);
      return agreed ? TRUE : FALSE;
    }
    case kEndSessionAgreed: Events->EndSessionAgreed(); return 0;
    case WM_ENDSESSION: Events->EndSession(wParam != 0); return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kTextColor);
      SetBkColor(dc, kWindowColor);
      return reinterpret_cast<LRESULT>(Background.Get());
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDC_MEMO_STATUS && code == EN_CHANGE) Events->MemoChanged();
      if (code == BN_CLICKED && id == IDC_BUTTON_LEFT) Events->ButtonClicked(TButtonId::ButtonLeft);
      if (code == BN_CLICKED && id == IDC_BUTTON_RIGHT) Events->ButtonClicked(TButtonId::ButtonRight);
      return 0;
    }
    case WM_ACTIVATEAPP:
      if (wParam) OnActivate();
      return 0;
    case WM_CLOSE:
      // Alt+F4, the system menu and the window's own requests: the session decides.
      if (Events->CloseQuery(false)) {
        Destroying = true;
        DestroyWindow(Window);
      }
      return 0;
    case WM_DESTROY:
      // Only this window's own destruction: the message sent from outside destroys nothing.
      if (!Destroying) return 0;
      Events->Destroyed();
      if (Application.MainWindow == Window && Application.Running) Application.Terminate();
      return 0;
    case WM_NCDESTROY:
      if (!Destroying) return 0;
      SetWindowLongPtrA(Window, GWLP_USERDATA, 0);
      Window = nullptr;
      return 0;
    default: return DefWindowProcA(Window, message, wParam, lParam);
  }
}

}  // namespace qx
