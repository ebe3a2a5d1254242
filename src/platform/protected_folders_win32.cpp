// The folders of this machine that the clean-up must never empty, as the system names them.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/common_utils.h"
#include "common/folder_guard.h"

namespace qx {

namespace {

using TGetPath = UINT(WINAPI*)(LPSTR, UINT);
using TGetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

std::string FromBuffer(TGetPath get) {
  char buffer[MAX_PATH + 1] = {};
  const UINT length = get(buffer, MAX_PATH);
  return length > 0 && length <= MAX_PATH ? std::string(buffer, length) : std::string();
}

UINT WINAPI WindowsFolder(LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }
UINT WINAPI SystemFolder(LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }

// Looked up at run time: the 9x family has neither the 32-bit system folder nor, before its
// later shell versions, the folder query.
FARPROC Entry(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (!handle) handle = LoadLibraryA(module);
  return handle ? GetProcAddress(handle, name) : nullptr;
}

}  // namespace

std::string FullLongPath(const std::string& path) {
  if (path.empty()) return path;
  char full[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return path;
  char longer[MAX_PATH * 2] = {};
  const DWORD longLength = GetLongPathNameA(full, longer, sizeof longer);
  return longLength > 0 && longLength < sizeof longer ? std::string(longer, longLength)
                                                      : std::string(full, length);
}

TProtectedFolders ProtectedFoldersOfThisMachine() {
  TProtectedFolders p;
  p.AppletFolder = FullLongPath(AppletFolder());
  p.WindowsFolder = FullLongPath(FromBuffer(WindowsFolder));
  p.SystemFolders.push_back(FullLongPath(FromBuffer(SystemFolder)));
  if (auto wow = reinterpret_cast<TGetPath>(Entry("kernel32.dll", "GetSystemWow64DirectoryA"))) {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = wow(buffer, MAX_PATH);
    if (length > 0 && length <= MAX_PATH)
      p.SystemFolders.push_back(FullLongPath(std::string(buffer, length)));
  }
  char temp[MAX_PATH + 1] = {};
  const DWORD tempLength = GetTempPathA(MAX_PATH, temp);
  if (tempLength > 0 && tempLength <= MAX_PATH) p.WellKnownFolders.push_back(FullLongPath(temp));

  auto folderPath = reinterpret_cast<TGetFolderPath>(Entry("shell32.dll", "SHGetFolderPathA"));
  if (!folderPath) folderPath = reinterpret_cast<TGetFolderPath>(Entry("shfolder.dll", "SHGetFolderPathA"));
  if (!folderPath) return p;
  const int kWellKnown[] = {
      CSIDL_DESKTOPDIRECTORY,
      CSIDL_PERSONAL,
      CSIDL_MYMUSIC,
      CSIDL_MYPICTURES,
      CSIDL_MYVIDEO,
      CSIDL_FAVORITES,
      CSIDL_APPDATA,
      CSIDL_LOCAL_APPDATA,
      CSIDL_STARTMENU,
      CSIDL_PROGRAMS,
      CSIDL_STARTUP,
      CSIDL_TEMPLATES,
      CSIDL_SENDTO,
      CSIDL_RECENT,
      CSIDL_NETHOOD,
      CSIDL_PRINTHOOD,
      CSIDL_COOKIES,
      CSIDL_HISTORY,
      CSIDL_INTERNET_CACHE,
      CSIDL_FONTS,
      CSIDL_PROGRAM_FILES,
      CSIDL_PROGRAM_FILESX86,
      CSIDL_PROGRAM_FILES_COMMON,
      CSIDL_COMMON_APPDATA,
      CSIDL_COMMON_DESKTOPDIRECTORY,
      CSIDL_COMMON_DOCUMENTS,
      CSIDL_COMMON_PROGRAMS,
      CSIDL_COMMON_STARTMENU,
      CSIDL_COMMON_MUSIC,
      CSIDL_COMMON_PICTURES,
      CSIDL_COMMON_VIDEO,
  };
  for (const int id : kWellKnown) {
    char buffer[MAX_PATH + 1] = {};
    if (folderPath(nullptr, id, nullptr, 0, buffer) == S_OK)
      p.WellKnownFolders.push_back(FullLongPath(buffer));
  }
  char buffer[MAX_PATH + 1] = {};
  if (folderPath(nullptr, CSIDL_PROFILE, nullptr, 0, buffer) == S_OK) {
    p.ProfileFolder = FullLongPath(buffer);
    // Downloads has no folder id before the known-folder API; its usual place is enough here.
    p.WellKnownFolders.push_back(p.ProfileFolder + "\\Downloads");
    // Every user's profile lies beside this one: the folder of profiles is never a project.
    const std::string profiles = p.ProfileFolder.substr(0, p.ProfileFolder.find_last_of('\\'));
    if (profiles.size() > 3) p.WellKnownFolders.push_back(profiles);
  }
  return p;
}

}  // namespace qx
