// Checks CommonUtils against the real Win32 API (run under Wine by common_utils_test.py).
// Usage: common_utils_check SCRATCH_FOLDER /Check#13/#10
// Prints one line per failed check and a closing count; exit code 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/application_win32.h"
#include "platform/common_utils.h"
#include "platform/resource_text.h"
#include "res/texts.h"

using namespace qx;

namespace {

int Passed = 0;
int Failed = 0;

void Check(bool condition, const char* what, const std::string& detail = std::string()) {
  if (condition) {
    ++Passed;
  } else {
    ++Failed;
    std::printf("FAIL %s %s\n", what, detail.c_str());
  }
}

void WriteFile(const std::string& path, std::size_t size, char fill = 'x') {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::string bytes(size, fill);
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(found.cFileName, ".") && std::strcmp(found.cFileName, ".."))
      names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

void CheckSwitchesAndPaths() {
  Check(IsSwitch("/check#13/#10"), "IsSwitch finds its parameter in other letter case");
  Check(!IsSwitch("/check"), "IsSwitch wants the whole parameter");
  Check(!IsSwitch(AppletFileName()), "IsSwitch skips the program name");
  const std::string folder = AppletFolder();
  Check(!folder.empty() && folder.back() == '\\', "AppletFolder ends in a backslash", folder);
  Check(AppletFileName() == folder + "common_utils_check.exe", "AppletFileName", AppletFileName());
  Check(AppPath("RwLib.dll") == folder + "RwLib.dll", "AppPath of a bare name");
  Check(AppPath(folder + "RwLib.dll") == folder + "RwLib.dll", "AppPath inside the folder");
}

void CheckTexts() {
  Check(ProductBanner() == "DVD/CD Ravelle with Vonnel\r\n", "ProductBanner", ProductBanner());
  // The string table compiled into the program holds every text exactly as defined.
  for (std::size_t i = 0; i < kTextCount; ++i)
    Check(ResourceText(kTexts[i].Id) == kTexts[i].Text, "string table text", std::to_string(kTexts[i].Id));
  Check(ResourceText(59999).empty(), "an unknown text id gives an empty text");
}

void CheckFileSizes(const std::string& scratch) {
  const std::string path = scratch + "\\sized.bin";
  WriteFile(path, 1234);
  Check(FileSizeOf(path) == 1234, "FileSizeOf");
  int32_t size = 0;
  Check(FileSizeInRange(path, 1234, 1234, size) && size == 1234, "FileSizeInRange equal bounds");
  size = 0;
  Check(!FileSizeInRange(path, 1235, 2000, size) && size == 1234, "FileSizeInRange below, size kept");
  Check(!FileSizeInRange(path, 0, 1233, size), "FileSizeInRange above");
  // Sharing that denies nothing: a file someone is writing can still be measured.
  HANDLE open = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  Check(open != INVALID_HANDLE_VALUE && FileSizeOf(path) == 1234, "FileSizeOf of an open file");
  if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
  bool raised = false;
  try {
    FileSizeOf(scratch + "\\missing.bin");
  } catch (const EFileOpenError&) {
    raised = true;
  }
  Check(raised, "FileSizeOf raises for a missing file");
}

void CheckCopy(const std::string& scratch) {
  const std::string source = scratch + "\\source.txt", target = scratch + "\\target.txt";
  WriteFile(source, 10, 'a');
  Check(CopyOneFile(source, target, true) && FileSizeOf(target) == 10, "CopyOneFile to a new file");
  WriteFile(source, 20, 'b');
  Check(!CopyOneFile(source, target, true) && FileSizeOf(target) == 10,
        "CopyOneFile fails on an existing target when asked to");
  Check(CopyOneFile(source, target, false) && FileSizeOf(target) == 20,
        "CopyOneFile replaces an existing target");
  Check(!CopyOneFile(scratch + "\\missing.txt", target, false), "CopyOneFile of a missing source");
}

void CheckDeletion(const std::string& scratch) {
  Check(!DeleteFileList(nullptr, nullptr), "DeleteFileList without a list");
  const std::vector<std::string> none;
  Check(!DeleteFileList(nullptr, &none), "DeleteFileList of an empty list");

  const std::string a = scratch + "\\del a.txt", b = scratch + "\\del-b.txt";
  WriteFile(a, 1);
  WriteFile(b, 1);
  const std::vector<std::string> two{a, b};
  Check(DeleteFileList(nullptr, &two) && !Exists(a) && !Exists(b), "DeleteFileList deletes every entry");

  const std::string folder = scratch + "\\project";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
  WriteFile(folder + "\\one.iso", 5);
  WriteFile(folder + "\\sub\\two.txt", 5);
  WriteFile(folder + "\\hidden.txt", 5);
  SetFileAttributesA((folder + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ClearFolder(nullptr, folder);
  Check(Exists(folder) && Entries(folder).empty(), "ClearFolder empties the folder and keeps it");
  ClearFolder(nullptr, folder + "\\");  // empty now, with a trailing backslash
  Check(Exists(folder), "ClearFolder of an empty folder");
  ClearFolder(nullptr, scratch + "\\no such folder");
  Check(!Exists(scratch + "\\no such folder"), "ClearFolder of a missing folder does nothing");
}

// Folders that can never be a project's stay as they are: the program's own folder and, where the
// test has mapped it, the root of drive R:.
void CheckClearFolderRefusals() {
  const std::string own = AppletFolder();
  WriteFile(own + "keep.txt", 3);
  ClearFolder(nullptr, own);
  Check(Exists(own + "keep.txt"), "ClearFolder leaves the program's own folder alone");
  ClearFolder(nullptr, own.substr(0, own.size() - 1) + "\\..\\");
  Check(Exists(own + "keep.txt"), "ClearFolder leaves a folder holding the program alone");
  if (GetFileAttributesA("R:\\keep.txt") != INVALID_FILE_ATTRIBUTES) {
    ClearFolder(nullptr, "R:\\");
    Check(Exists("R:\\keep.txt"), "ClearFolder leaves a drive root alone");
  }
  DeleteFileA((own + "keep.txt").c_str());
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static int received = 0;
  if (message == WM_APP) return ++received;
  if (message == WM_APP + 1) return received;
  return DefWindowProcA(window, message, wParam, lParam);
}

void CheckWindowsAndDelay() {
  TApplication application;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "QxCheckPlayerClass";
  RegisterClassA(&windowClass);
  HWND player = CreateWindowExA(0, "QxCheckPlayerClass", "Deluxe CD Player - [01]", WS_OVERLAPPED, 0, 0, 100,
                                100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  Check(player != nullptr, "a test window");
  Check(FindWindowByTitle("CD Player", "") == player, "FindWindowByTitle by title");
  Check(FindWindowByTitle("CD Player", "CheckPlayer") == player, "FindWindowByTitle by title and class");
  Check(FindWindowByTitle("CD Player", "OtherClass") == nullptr, "FindWindowByTitle wrong class");
  Check(FindWindowByTitle("cd player", "") == nullptr, "FindWindowByTitle letter case counts");

  // CloseCdPlayer ends the player's message loop: here that is this thread's own loop.
  Check(CloseCdPlayer(), "CloseCdPlayer is always true");
  MSG message;
  Check(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE,
        "CloseCdPlayer posted a quit message");
  SetWindowTextA(player, "Notes");
  Check(CloseCdPlayer(), "CloseCdPlayer without a player");
  Check(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) == FALSE,
        "no quit message without a player");

  // Delay keeps the window responsive: posted messages are handled during the wait.
  PostMessageA(player, WM_APP, 0, 0);
  const DWORD start = GetTickCount();
  Delay(application, 200);
  Check(GetTickCount() - start >= 200, "Delay waits its time");
  Check(SendMessageA(player, WM_APP + 1, 0, 0) == 1, "Delay processed the pending message");
  application.Terminated = true;
  const DWORD early = GetTickCount();
  Delay(application, 60000);
  Check(GetTickCount() - early < 10000, "Delay returns when the application terminates");
  DestroyWindow(player);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::puts("usage: common_utils_check SCRATCH_FOLDER /Check#13/#10");
    return 64;
  }
  const std::string scratch = argv[1];
  Check(DetectPlatform(), "DetectPlatform: NT family");
  CheckSwitchesAndPaths();
  CheckTexts();
  CheckFileSizes(scratch);
  CheckCopy(scratch);
  CheckDeletion(scratch);
  CheckWindowsAndDelay();
  CheckClearFolderRefusals();
  // Wine's user is in the local Administrators group.
  Check(IsAdmin(), "IsAdmin");
  std::printf("IsOnline %d\n", IsOnline() ? 1 : 0);
  std::printf("%d checks held, %d failed\n", Passed, Failed);
  return Failed == 0 ? 0 : 1;
}
