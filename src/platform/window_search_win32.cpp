// Finding a top-level window by its title, and closing a CD player program with it.
#include <windows.h>

#include "platform/common_utils.h"
#include "common/window_match.h"

namespace qx {

namespace {

struct TSearch {
  const std::string* Title;
  const std::string* ClassName;
  HWND Found;
};

std::string ReadText(int(WINAPI* read)(HWND, LPSTR, int), HWND window) {
  char buffer[kWindowTextLimit + 1] = {};
  const int length = read(window, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter) {
  TSearch& search = *reinterpret_cast<TSearch*>(parameter);
  const std::string title = ReadText(GetWindowTextA, window);
  if (title.empty()) return TRUE;
  const std::string className = search.ClassName->empty() ? std::string() : ReadText(GetClassNameA, window);
  if (!WindowMatches(title, className, *search.Title, *search.ClassName)) return TRUE;
  search.Found = window;
  return FALSE;
}

}  // namespace

void* FindWindowByTitle(const std::string& title, const std::string& className) {
  TSearch search{&title, &className, nullptr};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool CloseCdPlayer() {
  // Ending the player's message loop is enough; nothing waits for its window to go.
  if (HWND player = static_cast<HWND>(FindWindowByTitle("CD Player", "")))
    PostMessageA(player, WM_QUIT, 0, 0);
  return true;
}

}  // namespace qx
