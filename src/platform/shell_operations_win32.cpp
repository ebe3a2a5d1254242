// Deleting lists of files and a folder's contents through the shell's file operation.
#include <windows.h>
#include <shellapi.h>

#include "platform/common_utils.h"
#include "platform/handles_win32.h"
#include "common/folder_guard.h"
#include "common/paths.h"
#include "common/shell_list.h"

namespace qx {

bool ShellFileOperation(void* owner, const std::string& sourceList, const std::string& targetList,
                        unsigned operation, uint16_t flags) {
  const std::string from = ShellListText(sourceList);
  const std::string to = ShellListText(targetList);
  SHFILEOPSTRUCTA operationRecord{};
  operationRecord.hwnd = static_cast<HWND>(owner);
  operationRecord.wFunc = operation;
  operationRecord.pFrom = from.c_str();
  operationRecord.pTo = to.c_str();
  operationRecord.fFlags = flags;
  operationRecord.hNameMappings = nullptr;
  operationRecord.lpszProgressTitle = nullptr;
  return SHFileOperationA(&operationRecord) == 0;
}

bool ShellFileOperationList(void* owner, const std::vector<std::string>* list, const std::string& targetList,
                            unsigned operation, uint16_t flags) {
  if (!list || list->empty()) return false;
  return ShellFileOperation(owner, JoinShellEntries(*list), targetList, operation, flags);
}

bool DeleteFileList(void* owner, const std::vector<std::string>* list) {
  return ShellFileOperationList(owner, list, std::string(), FO_DELETE, FOF_SILENT | FOF_NOCONFIRMATION);
}

void ClearFolder(void* owner, const std::string& folder) {
  // The history names the folder; only one that can be a project's is emptied.
  if (ClearFolderRefusal(folder, FullLongPath(folder), ProtectedFoldersOfThisMachine()) !=
      TFolderRefusal::frNone)
    return;
  const std::string f = IncludeBackslash(folder);
  WIN32_FIND_DATAA found;
  std::vector<std::string> names;
  {
    TFindHandle search(FindFirstFileA((f + "*.*").c_str(), &found));
    if (!search.Valid()) return;
    do {
      names.emplace_back(found.cFileName);
    } while (FindNextFileA(search.Get(), &found));
  }
  const std::vector<std::string> paths = ClearFolderEntries(f, names);
  DeleteFileList(owner, &paths);
}

}  // namespace qx
