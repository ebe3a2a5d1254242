#pragma once
// CommonUtils: the small operations several parts of the applet share, and the process-wide
// values. Implemented against Win32 in the *_win32.cpp files beside this header; the rules they
// follow are portable (command_line.h, paths.h, shell_list.h, window_match.h, delay.h).
#include <cstdint>
#include <string>
#include <vector>

#include "app/folder_guard.h"
#include "base/exception.h"

namespace qx {

// Process-wide values.
extern bool IsNT;             // set once at start by DetectPlatform
extern int32_t AppletSize;    // set by every FileSizeInRange; at start the applet file's size
std::string ProductBanner();  // the memo line naming the product (string table)
// The process's short date format (short_date.h); the start-up of a run sets "mm/dd/yyyy".
extern std::string ShortDateFormat;

// Today's local date in ShortDateFormat.
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

// Stores the file's size in AppletSize; true when low <= size <= high.
bool FileSizeInRange(const std::string& path, int32_t low, int32_t high);

// Sets IsNT: true on NT 4 and every later Windows, false on Windows 95, 98 and Me.
void DetectPlatform();

// True when the platform reports an Internet connection.
bool IsOnline();

// The first top-level window whose title contains `title` and whose class name contains
// `className` (any class when empty), or nullptr.
void* FindWindowByTitle(const std::string& title, const std::string& className);

// Asks a running CD player program to quit; always true.
bool CloseCdPlayer();

// True when the caller's token belongs to the local Administrators group.
bool IsAdmin();

// Waits while processing window messages; returns early when the application is terminating.
void Delay(uint32_t milliseconds);

// The shell's file operation over NUL-separated list texts; true when the shell reports success.
bool ShellFileOperation(const std::string& sourceList, const std::string& targetList, unsigned operation,
                        uint16_t flags);
// The same over a list of paths; false without any action for a missing or empty list.
bool ShellFileOperationList(const std::vector<std::string>* list, const std::string& targetList,
                            unsigned operation, uint16_t flags);
// Deletes the listed files and folders for good, silently and without confirmation.
bool DeleteFileList(const std::vector<std::string>* list);
// Deletes everything inside the folder; the folder itself stays. A folder that cannot be a
// project's (ClearFolderRefusal) is left as it is.
void ClearFolder(const std::string& folder);
// The path made full against the current folder, with long names for short ones; the path as
// given when the system cannot resolve it.
std::string FullLongPath(const std::string& path);
// The applet's, the system's, the user's and the shell's folders of this machine.
TProtectedFolders ProtectedFoldersOfThisMachine();

}  // namespace qx
