// Deleting lists of files and a folder's contents through the shell's file operation.
#include <windows.h>
#include <shellapi.h>

#include "app/application_win32.h"
#include "app/common_utils.h"
#include "app/folder_guard.h"
#include "app/paths.h"
#include "app/shell_list.h"

namespace qx {

bool ShellFileOperation(const std::string& sourceList, const std::string& targetList, unsigned operation,
                        uint16_t flags) {
  const std::string from = ShellListText(sourceList);
  const std::string to = ShellListText(targetList);
  SHFILEOPSTRUCTA operationRecord{};
  operationRecord.hwnd = Application.MainWindow;
  operationRecord.wFunc = operation;
  operationRecord.pFrom = from.c_str();
  operationRecord.pTo = to.c_str();
  operationRecord.fFlags = flags;
  operationRecord.hNameMappings = nullptr;
  operationRecord.lpszProgressTitle = nullptr;
  return SHFileOperationA(&operationRecord) == 0;
}

bool ShellFileOperationList(const std::vector<std::string>* list, const std::string& targetList,
                            unsigned operation, uint16_t flags) {
  if (!list || list->empty()) return false;
  return ShellFileOperation(JoinShellEntries(*list), targetList, operation, flags);
}

bool DeleteFileList(const std::vector<std::string>* list) {
  return ShellFileOperationList(list, std::string(), FO_DELETE, FOF_SILENT | FOF_NOCONFIRMATION);
}

void ClearFolder(const std::string& folder) {
  // The history names the folder; only one that can be a project's is emptied.
  if (ClearFolderRefusal(FullLongPath(folder), ProtectedFoldersOfThisMachine()) != TFolderRefusal::frNone)
    return;
  const std::string f = IncludeBackslash(folder);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((f + "*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> names;
  do {
    names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  const std::vector<std::string> paths = ClearFolderEntries(f, names);
  DeleteFileList(&paths);
}

}  // namespace qx
