#pragma once
// The texts handed to the shell's file operation: lists of paths separated by NUL characters
// and ended by two NULs.
#include <string>
#include <vector>

namespace qx {

// The shell's list form of a list text: the text, one NUL, and the terminating NUL; a "\" just
// before the appended NUL becomes a NUL too; an empty text becomes two NULs. The result holds
// every byte the shell reads, terminators included.
std::string ShellListText(const std::string& listText);

// The list text of several entries: each entry followed by one NUL.
std::string JoinShellEntries(const std::vector<std::string>& entries);

// The paths a folder clear deletes: folder + name for every found name except "." and "..".
// folder ends in "\".
std::vector<std::string> ClearFolderEntries(const std::string& folder,
                                            const std::vector<std::string>& foundNames);

}  // namespace qx
