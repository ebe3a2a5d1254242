#include "common/shell_list.h"

namespace qx {

std::string ShellListText(const std::string& listText) {
  if (listText.empty()) return std::string(2, '\0');
  std::string list = listText;
  if (list.back() == '\\') list.back() = '\0';
  list += '\0';
  list += '\0';
  return list;
}

std::string JoinShellEntries(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    text += entry;
    text += '\0';
  }
  return text;
}

std::vector<std::string> ClearFolderEntries(const std::string& folder,
                                            const std::vector<std::string>& foundNames) {
  std::vector<std::string> paths;
  for (const std::string& name : foundNames)
    if (name != "." && name != "..") paths.push_back(folder + name);
  return paths;
}

}  // namespace qx
