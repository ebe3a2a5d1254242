#pragma once
// CommonUtils: the small operations several parts of the applet share. Implemented against Win32
// in the *_win32.cpp files beside this header; the rules they follow are portable
// (common/command_line.h, paths.h, shell_list.h, window_match.h, delay.h). What the start-up
// learns of the platform is one value (platform_facts.h), handed to whoever needs it.
#include <cstdint>
#include <string>
#include <vector>

#include "common/folder_guard.h"
#include "base/exception.h"

namespace qx {

class TApplication;

// The memo line naming the product (string table).
std::string ProductBanner();

// Today's local date in the session's short date format (common/short_date.h): the process's
// own format, set once and never changed, not the user's regional settings.
std::string TodayShortDate();

// Raised when a file cannot be opened for its size.
class EFileOpenError : public Exception {
public:
  using Exception::Exception;
};

// True when a parameter of the process's own command line equals the text (letters a-z
// compared without regard to case).
bool IsSwitch(const std::string& text);

// The applet's full path and its folder (ending in "\").
std::string AppletFileName();
std::string AppletFolder();

// The name inside the applet folder.
std::string AppPath(const std::string& name);

// The platform's file copy; with failIfExists an existing target makes the copy fail.
bool CopyOneFile(const std::string& source, const std::string& target, bool failIfExists);

// The file's size (low 32 bits read as signed, never negative). Raises EFileOpenError when the
// file cannot be opened.
int32_t FileSizeOf(const std::string& path);

// Stores the file's size in `size`; true when low <= size <= high.
bool FileSizeInRange(const std::string& path, int32_t low, int32_t high, int32_t& size);

// The platform family: true on NT 4 and every later Windows, false on Windows 95, 98 and Me.
bool DetectPlatform();

// True when the platform reports an Internet connection.
bool IsOnline();

// The first top-level window whose title contains `title` and whose class name contains
// `className` (any class when empty), or nullptr.
void* FindWindowByTitle(const std::string& title, const std::string& className);

// Asks a running CD player program to quit; always true.
bool CloseCdPlayer();

// True when the caller's token belongs to the local Administrators group.
bool IsAdmin();

// Waits while the application processes window messages; returns early when it is terminating.
void Delay(TApplication& application, uint32_t milliseconds);

// The shell's file operation over NUL-separated list texts, owned by the window `owner` (the
// application's main window; nullptr where there is none); true when the shell reports success.
bool ShellFileOperation(void* owner, const std::string& sourceList, const std::string& targetList,
                        unsigned operation, uint16_t flags);
// The same over a list of paths; false without any action for a missing or empty list.
bool ShellFileOperationList(void* owner, const std::vector<std::string>* list, const std::string& targetList,
                            unsigned operation, uint16_t flags);
// Deletes the listed files and folders for good, silently and without confirmation.
bool DeleteFileList(void* owner, const std::vector<std::string>* list);
// Deletes everything inside the folder; the folder itself stays. A folder that cannot be a
// project's (ClearFolderRefusal) is left as it is.
void ClearFolder(void* owner, const std::string& folder);
// The path made full against the current folder, with long names for short ones; the path as
// given when the system cannot resolve it.
std::string FullLongPath(const std::string& path);
// The applet's, the system's, the user's and the shell's folders of this machine.
TProtectedFolders ProtectedFoldersOfThisMachine();

}  // namespace qx
