#pragma once
// Which folders the clean-up may empty. A project folder is prepared for one recording and lies
// somewhere below the user's or a drive's folders; anything the system, the user or the applet
// itself keeps there must never be emptied, whatever the history names.
#include <string>
#include <vector>

namespace qx {

// The folders that are never a project's, as the platform names them (full paths, any letter case,
// with or without a closing "\"). Empty entries are ignored.
struct TProtectedFolders {
  std::string AppletFolder;
  std::string WindowsFolder;
  std::vector<std::string> SystemFolders;  // system, 32-bit system, the system drive's own folders
  std::string ProfileFolder;
  std::vector<std::string> WellKnownFolders;  // Desktop, Documents, Program Files, temporary files...
};

enum class TFolderRefusal {
  frNone,            // may be emptied
  frNotAbsolute,     // empty, relative, drive-relative ("C:") or a device path: it would name the
                     // current folder, which is the applet's
  frDotSegment,      // "." or ".." left in the path: what it names cannot be judged
  frRoot,            // a drive's or a share's root
  frProtected,       // the Windows, a system, the profile or a well-known folder itself
  frHoldsProtected,  // holds one of those, or the applet
  frAppletFolder,    // the applet's own folder
};

// Why `folder` must not be emptied, or frNone. The folder is expected as a full path already
// resolved by the platform (long names); letters compare in any case.
TFolderRefusal ClearFolderRefusal(const std::string& folder, const TProtectedFolders& protectedFolders);

// The same for a folder as the history names it (`named`) and as the platform resolved it
// (`resolved`, a full long path). The name is judged first: resolving turns a relative name into
// a full path below the current folder and drops "." and ".." segments, and what such a name
// means depends on the process, not on the project.
TFolderRefusal ClearFolderRefusal(const std::string& named, const std::string& resolved,
                                  const TProtectedFolders& protectedFolders);

}  // namespace qx
