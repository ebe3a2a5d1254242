#pragma once
// The session's small decisions as pure functions, so that each is tested on its own: the memory
// factor, the version text of a file, the PATH's folders, and the result code.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/session_host.h"

namespace qx {

// 4 or 2 from the memory status; 0 when there is too little memory to record.
int32_t MemoryFactorFor(const TMemoryStatus& memory);

// "major.minorrelease", with "(build)" for the forms "Full" and "Long"; "6" for a file without a
// version resource (so that such a file counts as version 5 or above).
std::string FileVersionTextOf(const std::optional<TFileVersion>& version, const std::string& form);

// The version text of a file as the host finds it (see FileVersionTextOf).
std::string FileVersionText(TSessionHost& host, const std::string& file, const std::string& form);

// The folders of a PATH value, in order, empty entries left out.
std::vector<std::string> PathFolders(const std::string& path);

// The folder and the name joined by exactly one "\".
std::string JoinPath(const std::string& folder, const std::string& name);

// The result code after a request to set `code`: the first code of 2 or more sticks; -1
// (undecided), 0 (completed) and 1 (cancelled) can still be replaced.
constexpr int32_t NextResultCode(int32_t current, int32_t code) { return current < 2 ? code : current; }

}  // namespace qx
