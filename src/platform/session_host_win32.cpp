// The session's host: waits and the message pump of the application object, the process's facts
// from CommonUtils, the shell's "open", beeps and texts.
#include "platform/session_host_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/application_win32.h"
#include "platform/common_utils.h"
#include "platform/resource_text.h"

namespace qx {

namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// A folder the platform writes into a caller's buffer, retried once at the size it asks for.
template <class Read>
std::string FolderFrom(Read read) {
  std::string text(MAX_PATH + 1, '\0');
  UINT length = read(&text[0], static_cast<UINT>(text.size()));
  if (length >= text.size()) {
    text.assign(length + 1, '\0');
    length = read(&text[0], static_cast<UINT>(text.size()));
  }
  text.resize(length < text.size() ? length : 0);
  return WithBackslash(text);
}

}  // namespace

void TWin32SessionHost::Delay(uint32_t milliseconds) { qx::Delay(Application, milliseconds); }

void TWin32SessionHost::ProcessMessages() { Application.ProcessMessages(); }

void TWin32SessionHost::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

bool TWin32SessionHost::Terminated() { return Application.Terminated; }

void TWin32SessionHost::Beep() { MessageBeep(0); }

void TWin32SessionHost::ClearFolder(const std::string& folder) {
  qx::ClearFolder(Application.MainWindow, folder);
}

void TWin32SessionHost::EndProcess(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

bool TWin32SessionHost::IsNT() { return Facts.IsNT; }

bool TWin32SessionHost::IsAdmin() { return qx::IsAdmin(); }

bool TWin32SessionHost::IsOnline() { return qx::IsOnline(); }

bool TWin32SessionHost::IsSwitch(const std::string& text) { return qx::IsSwitch(text); }

int32_t TWin32SessionHost::AppletSize() { return Facts.AppletSize; }

std::string TWin32SessionHost::AppletFileName() { return qx::AppletFileName(); }

std::string TWin32SessionHost::AppPath(const std::string& name) { return qx::AppPath(name); }

std::string TWin32SessionHost::CurrentFolder() {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::string folder(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, &folder[0]);
  folder.resize(length < needed ? length : 0);
  return WithBackslash(folder);
}

std::string TWin32SessionHost::SystemFolder() {
  return FolderFrom([](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string TWin32SessionHost::WindowsFolder() {
  return FolderFrom([](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

std::string TWin32SessionHost::EnvironmentPath() {
  const DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
  if (needed == 0) return std::string();
  std::string path(needed, '\0');
  const DWORD length = GetEnvironmentVariableA("PATH", &path[0], needed);
  path.resize(length < needed ? length : 0);
  return path;
}

void TWin32SessionHost::ShellOpen(const std::string& target) {
  ShellExecuteA(GetDesktopWindow(), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TWin32SessionHost::CloseCdPlayer() { qx::CloseCdPlayer(); }

std::string TWin32SessionHost::Text(unsigned id) { return ResourceText(id); }

}  // namespace qx
