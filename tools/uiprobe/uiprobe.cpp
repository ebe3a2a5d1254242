// uiprobe: finds the applet's main window from outside and reads or drives it the way a person
// would. Every wait has a time-out.
//
//   uiprobe exists                    window present? prints "visible", "hidden" or "absent"
//   uiprobe wait-window [MS]          wait until the window exists and is visible
//   uiprobe wait-gone [MS]            wait until no window exists
//   uiprobe state                     visibility, both buttons (caption, enabled) and gauges
//   uiprobe memo                      prints the status memo's text
//   uiprobe wait-memo TEXT [MS]       wait until the memo contains TEXT (\r, \n, \\ understood)
//   uiprobe press left|right          click a button (refused when it is disabled)
//   uiprobe press-watch left|right MS click a button, then print both captions as they change
//                                     ("left: \"X\"" lines, the captions at the press first)
//   uiprobe autoplay                  send the shell's "QueryCancelAutoPlay"; prints "answer N"
//   uiprobe burn-progress POS MAX     send the burn worker's progress message (1124)
//   uiprobe burn-text TEXT            send the burn worker's text message (1125), the text
//                                     placed in the window's process (\r, \n, \\ understood)
//   uiprobe post MSG WPARAM LPARAM    post any message to the window (numbers in C notation:
//                                     decimal, 0x.. hexadecimal, negative values as themselves)
//   uiprobe send MSG WPARAM LPARAM    send it and print "answer N" ("timeout" when the window
//                                     does not answer within 5 s)
//   uiprobe end-session               a log-off as the system does it: WM_QUERYENDSESSION, then
//                                     WM_ENDSESSION with the answer; prints "answer N"
//   uiprobe close                     a close request as Alt+F4 sends it
//   uiprobe kill                      end the window's process
//   uiprobe exec [MS]                 run the command line in env QXPROBE_CMDLINE exactly as
//                                     written; prints "exit N" and "window seen|none"
//   uiprobe screenshot FILE.bmp       the window's screen area as a bitmap file
//   uiprobe rect                      "window L T R B" and "client L T W H" in screen pixels,
//                                     and "caption yes|no"
//   uiprobe drag X Y DX DY            a mouse press at client point (X, Y), moved by (DX, DY)
//                                     and released, as real mouse input
//   uiprobe pointer X Y               moves the mouse pointer to client point (X, Y)
//   uiprobe enable left|right on|off  enables or disables a button
//
// Exit codes: 0 done / condition true, 1 condition false (window absent), 2 time-out,
// 3 refused (button disabled), 4 failure (cannot read, cannot start), 64 usage.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "res/resource_ids.h"
#include "burn/burn_messages.h"

namespace {

enum TExit { exOk = 0, exFalse = 1, exTimeout = 2, exRefused = 3, exFailure = 4, exUsage = 64 };

const DWORD kDefaultTimeout = 20000;
const UINT kSendTimeout = 2000;

HWND MainWindow() { return FindWindowA(QX_MAIN_WINDOW_CLASS, nullptr); }

bool ReadText(HWND window, std::string& text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &length))
    return false;
  std::string buffer(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]),
                           SMTO_ABORTIFHUNG, kSendTimeout, &copied))
    return false;
  buffer.resize(copied);
  text = buffer;
  return true;
}

std::string Unescape(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\\' && p[1]) {
      ++p;
      out += *p == 'r' ? '\r' : *p == 'n' ? '\n' : *p;
    } else {
      out += *p;
    }
  }
  return out;
}

DWORD TimeoutArg(int argc, char** argv, int index) {
  return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : kDefaultTimeout;
}

// Polls `condition` every 20 ms until it holds or the time-out passes.
template <class Condition>
bool WaitFor(DWORD timeout, Condition condition) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout) return false;
    Sleep(20);
  }
}

int Exists() {
  HWND window = MainWindow();
  std::printf("%s\n", !window ? "absent" : IsWindowVisible(window) ? "visible" : "hidden");
  return window ? exOk : exFalse;
}

int WaitWindow(DWORD timeout) {
  const bool shown = WaitFor(timeout, [] {
    HWND window = MainWindow();
    return window && IsWindowVisible(window);
  });
  std::puts(shown ? "visible" : "timeout");
  return shown ? exOk : exTimeout;
}

int WaitGone(DWORD timeout) {
  const bool gone = WaitFor(timeout, [] { return MainWindow() == nullptr; });
  std::puts(gone ? "gone" : "timeout");
  return gone ? exOk : exTimeout;
}

int State() {
  HWND window = MainWindow();
  if (!window) {
    std::puts("window: absent");
    return exFalse;
  }
  std::printf("window: %s\n", IsWindowVisible(window) ? "visible" : "hidden");
  const struct {
    const char* Name;
    int Id;
  } buttons[] = {{"left", IDC_BUTTON_LEFT}, {"right", IDC_BUTTON_RIGHT}};
  for (const auto& button : buttons) {
    HWND control = GetDlgItem(window, button.Id);
    std::string caption;
    if (!control || !ReadText(control, caption)) return exFailure;
    std::printf("%s: \"%s\" %s\n", button.Name, caption.c_str(),
                IsWindowEnabled(control) ? "enabled" : "disabled");
  }
  const struct {
    const char* Name;
    int Id;
  } gauges[] = {{"gauge-left", IDC_PROGRESS_BAR_LEFT}, {"gauge", IDC_PROGRESS_BAR}};
  for (const auto& gauge : gauges) {
    HWND control = GetDlgItem(window, gauge.Id);
    DWORD_PTR progress = 0, maximum = 0;
    if (!control ||
        !SendMessageTimeoutA(control, QX_GAUGE_GET_PROGRESS, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout,
                             &progress) ||
        !SendMessageTimeoutA(control, QX_GAUGE_GET_MAX, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &maximum))
      return exFailure;
    std::printf("%s: %ld/%ld\n", gauge.Name, static_cast<long>(progress), static_cast<long>(maximum));
  }
  return exOk;
}

bool ReadMemo(std::string& text) {
  HWND window = MainWindow();
  HWND memo = window ? GetDlgItem(window, IDC_MEMO_STATUS) : nullptr;
  return memo && ReadText(memo, text);
}

int Memo() {
  std::string text;
  if (!ReadMemo(text)) {
    std::fputs("uiprobe: cannot read the memo\n", stderr);
    return MainWindow() ? exFailure : exFalse;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return exOk;
}

int WaitMemo(const std::string& wanted, DWORD timeout) {
  const bool found = WaitFor(timeout, [&] {
    std::string text;
    return ReadMemo(text) && text.find(wanted) != std::string::npos;
  });
  std::puts(found ? "found" : "timeout");
  return found ? exOk : exTimeout;
}

int Press(const char* which) {
  int id;
  if (std::strcmp(which, "left") == 0)
    id = IDC_BUTTON_LEFT;
  else if (std::strcmp(which, "right") == 0)
    id = IDC_BUTTON_RIGHT;
  else
    return exUsage;
  HWND window = MainWindow();
  if (!window) return exFalse;
  HWND button = GetDlgItem(window, id);
  if (!button) return exFailure;
  // A disabled button cannot be clicked; a click reaches the window as the button's notification.
  if (!IsWindowEnabled(button) || !IsWindowVisible(button)) {
    std::puts("disabled");
    return exRefused;
  }
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  std::puts("pressed");
  return exOk;
}

bool ReadCaption(HWND window, int id, std::string& caption) {
  HWND control = GetDlgItem(window, id);
  return control && ReadText(control, caption);
}

int PressWatch(const char* which, DWORD timeout) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  const struct {
    const char* Name;
    int Id;
  } buttons[] = {{"left", IDC_BUTTON_LEFT}, {"right", IDC_BUTTON_RIGHT}};
  std::string seen[2];
  for (int i = 0; i < 2; ++i) {
    if (!ReadCaption(window, buttons[i].Id, seen[i])) return exFailure;
    std::printf("%s: \"%s\"\n", buttons[i].Name, seen[i].c_str());
  }
  const int pressed = Press(which);
  if (pressed != exOk) return pressed;
  // A caption may last only one round of the window's 50 ms wait: read without pausing.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeout && IsWindow(window)) {
    for (int i = 0; i < 2; ++i) {
      std::string caption;
      if (!ReadCaption(window, buttons[i].Id, caption) || caption == seen[i]) continue;
      seen[i] = caption;
      std::printf("%s: \"%s\"\n", buttons[i].Name, caption.c_str());
    }
  }
  return exOk;
}

int AutoPlay() {
  HWND window = MainWindow();
  if (!window) return exFalse;
  const UINT message = RegisterWindowMessageA("QueryCancelAutoPlay");
  DWORD_PTR answer = 0;
  if (!message || !SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &answer))
    return exFailure;
  std::printf("answer %ld\n", static_cast<long>(answer));
  return exOk;
}

int BurnProgress(const char* position, const char* maximum) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutA(window, qx::WM_BURNPROGRESS, std::strtoul(position, nullptr, 10),
                           std::strtol(maximum, nullptr, 10), SMTO_ABORTIFHUNG, kSendTimeout, &ignored))
    return exFailure;
  std::puts("sent");
  return exOk;
}

// The text must lie in the window's own process, as the burn worker's does: it is written there
// for the send and released after it.
int BurnText(const std::string& text) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return exFailure;
  void* remote = VirtualAllocEx(process, nullptr, text.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  DWORD_PTR ignored = 0;
  const bool sent = remote && WriteProcessMemory(process, remote, text.c_str(), text.size() + 1, nullptr) &&
                    SendMessageTimeoutA(window, qx::WM_BURNTEXT, 0, reinterpret_cast<LPARAM>(remote),
                                        SMTO_ABORTIFHUNG, kSendTimeout, &ignored);
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  std::puts(sent ? "sent" : "failed");
  return sent ? exOk : exFailure;
}

// A message parameter as the caller wrote it; pointer-wide, so that any value can be given.
LONG_PTR ParamArg(const char* text) { return static_cast<LONG_PTR>(std::strtoll(text, nullptr, 0)); }

int Post(const char* message, const char* wParam, const char* lParam) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  if (!PostMessageA(window, static_cast<UINT>(std::strtoul(message, nullptr, 0)),
                    static_cast<WPARAM>(ParamArg(wParam)), static_cast<LPARAM>(ParamArg(lParam))))
    return exFailure;
  std::puts("posted");
  return exOk;
}

const UINT kAnswerTimeout = 5000;

int Send(const char* message, const char* wParam, const char* lParam) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, static_cast<UINT>(std::strtoul(message, nullptr, 0)),
                           static_cast<WPARAM>(ParamArg(wParam)), static_cast<LPARAM>(ParamArg(lParam)),
                           SMTO_ABORTIFHUNG, kAnswerTimeout, &answer)) {
    // A window whose process ended while handling it gives no answer either.
    std::puts(IsWindow(window) ? "timeout" : "gone");
    return IsWindow(window) ? exTimeout : exOk;
  }
  std::printf("answer %ld\n", static_cast<long>(answer));
  return exOk;
}

int EndSession() {
  HWND window = MainWindow();
  if (!window) return exFalse;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kAnswerTimeout,
                           &answer)) {
    std::puts("timeout");
    return exTimeout;
  }
  std::printf("answer %ld\n", static_cast<long>(answer));
  std::fflush(stdout);
  // The system tells every window that was asked whether the log-off goes ahead.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_ENDSESSION, answer ? TRUE : FALSE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                      kAnswerTimeout, &ignored);
  return exOk;
}

int Close() {
  HWND window = MainWindow();
  if (!window) return exFalse;
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  std::puts("close requested");
  return exOk;
}

int Kill() {
  HWND window = MainWindow();
  if (!window) return exFalse;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process || !TerminateProcess(process, 99)) return exFailure;
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  std::puts("killed");
  return exOk;
}

// Whether a main window of the given process exists.
bool ProcessHasWindow(DWORD pid) {
  for (HWND window = FindWindowExA(nullptr, nullptr, QX_MAIN_WINDOW_CLASS, nullptr); window;
       window = FindWindowExA(nullptr, window, QX_MAIN_WINDOW_CLASS, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid) return true;
  }
  return false;
}

int Exec(DWORD timeout) {
  // The command line comes through the environment, so that no argv quoting stands between the
  // test and the exact text the program sees.
  const char* line = std::getenv("QXPROBE_CMDLINE");
  if (!line || !*line) return exUsage;
  std::string commandLine = line;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "uiprobe: cannot start (error %lu)\n", GetLastError());
    return exFailure;
  }
  bool windowSeen = false;
  const DWORD start = GetTickCount();
  DWORD waited;
  while ((waited = WaitForSingleObject(process.hProcess, 5)) == WAIT_TIMEOUT) {
    windowSeen = windowSeen || ProcessHasWindow(process.dwProcessId);
    if (GetTickCount() - start >= timeout) break;
  }
  int result = exOk;
  if (waited == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit %lu\n", code);
  } else {
    TerminateProcess(process.hProcess, 99);
    std::puts("timeout");
    result = exTimeout;
  }
  std::printf("window %s\n", windowSeen ? "seen" : "none");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

bool WriteBitmap(const char* path, HDC screen, HBITMAP bitmap, int width, int height) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD rowBytes = ((width * 3 + 3) / 4) * 4;
  std::string pixels(rowBytes * height, '\0');
  if (!GetDIBits(screen, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS))
    return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(&info, sizeof info, 1, out) == 1 &&
                 std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  return std::fclose(out) == 0 && written;
}

int Screenshot(const char* path) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  RECT area;
  GetWindowRect(window, &area);
  const int width = area.right - area.left, height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, previous);
  const bool written = WriteBitmap(path, screen, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::puts(written ? "written" : "failed");
  return written ? exOk : exFailure;
}

int Rect() {
  HWND window = MainWindow();
  if (!window) return exFalse;
  RECT area, client;
  GetWindowRect(window, &area);
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  std::printf("window %ld %ld %ld %ld\n", area.left, area.top, area.right, area.bottom);
  std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
  std::printf("caption %s\n", (style & WS_CAPTION) == WS_CAPTION ? "yes" : "no");
  return exOk;
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    // Absolute positions run from 0 to 65535 over the primary screen.
    input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    input.mi.dx = static_cast<LONG>((x * 65535.0) / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
    input.mi.dy = static_cast<LONG>((y * 65535.0) / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
  }
  SendInput(1, &input, sizeof input);
  // The window's thread takes each step before the next, as a hand would give it time to.
  Sleep(60);
}

int Drag(int x, int y, int dx, int dy) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  POINT start{x, y};
  ClientToScreen(window, &start);
  SetForegroundWindow(window);
  SendMouse(MOUSEEVENTF_MOVE, start.x, start.y);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  const int kSteps = 5;
  for (int i = 1; i <= kSteps; ++i)
    SendMouse(MOUSEEVENTF_MOVE, start.x + dx * i / kSteps, start.y + dy * i / kSteps);
  SendMouse(MOUSEEVENTF_LEFTUP);
  std::puts("dragged");
  return exOk;
}

int Pointer(int x, int y) {
  HWND window = MainWindow();
  if (!window) return exFalse;
  POINT point{x, y};
  ClientToScreen(window, &point);
  SendMouse(MOUSEEVENTF_MOVE, point.x, point.y);
  std::puts("moved");
  return exOk;
}

int Enable(const char* which, const char* state) {
  const int id = std::strcmp(which, "left") == 0    ? IDC_BUTTON_LEFT
                 : std::strcmp(which, "right") == 0 ? IDC_BUTTON_RIGHT
                                                    : 0;
  const bool on = std::strcmp(state, "on") == 0;
  if (!id || (!on && std::strcmp(state, "off") != 0)) return exUsage;
  HWND window = MainWindow();
  if (!window) return exFalse;
  HWND button = GetDlgItem(window, id);
  if (!button) return exFailure;
  EnableWindow(button, on ? TRUE : FALSE);
  std::puts(on ? "enabled" : "disabled");
  return exOk;
}

int Usage() {
  std::fputs(
      "usage: uiprobe exists | wait-window [MS] | wait-gone [MS] | state | memo |\n"
      "       wait-memo TEXT [MS] | press left|right | press-watch left|right MS |\n"
      "       autoplay | burn-progress POS MAX | burn-text TEXT | post MSG W L | send MSG W L |\n"
      "       end-session | close | kill |\n"
      "       exec [MS] | screenshot FILE.bmp | rect | drag X Y DX DY | pointer X Y |\n"
      "       enable left|right on|off\n",
      stderr);
  return exUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // Texts are printed as they are: the memo's own CR LF pairs stay as they are.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  int result;
  if (command == "exists")
    result = Exists();
  else if (command == "wait-window")
    result = WaitWindow(TimeoutArg(argc, argv, 2));
  else if (command == "wait-gone")
    result = WaitGone(TimeoutArg(argc, argv, 2));
  else if (command == "state")
    result = State();
  else if (command == "memo")
    result = Memo();
  else if (command == "wait-memo" && argc >= 3)
    result = WaitMemo(Unescape(argv[2]), TimeoutArg(argc, argv, 3));
  else if (command == "press" && argc >= 3)
    result = Press(argv[2]);
  else if (command == "press-watch" && argc >= 4)
    result = PressWatch(argv[2], TimeoutArg(argc, argv, 3));
  else if (command == "autoplay")
    result = AutoPlay();
  else if (command == "burn-progress" && argc >= 4)
    result = BurnProgress(argv[2], argv[3]);
  else if (command == "burn-text" && argc >= 3)
    result = BurnText(Unescape(argv[2]));
  else if (command == "post" && argc >= 5)
    result = Post(argv[2], argv[3], argv[4]);
  else if (command == "send" && argc >= 5)
    result = Send(argv[2], argv[3], argv[4]);
  else if (command == "end-session")
    result = EndSession();
  else if (command == "close")
    result = Close();
  else if (command == "kill")
    result = Kill();
  else if (command == "exec")
    result = Exec(TimeoutArg(argc, argv, 2));
  else if (command == "screenshot" && argc >= 3)
    result = Screenshot(argv[2]);
  else if (command == "rect")
    result = Rect();
  else if (command == "drag" && argc >= 6)
    result = Drag(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  else if (command == "pointer" && argc >= 4)
    result = Pointer(std::atoi(argv[2]), std::atoi(argv[3]));
  else if (command == "enable" && argc >= 4)
    result = Enable(argv[2], argv[3]);
  else
    return Usage();
  std::fflush(stdout);
  return result == exUsage ? Usage() : result;
}
