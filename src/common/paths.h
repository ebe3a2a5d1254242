#pragma once
// Path rules of the applet folder, which holds every file of the system.
#include <string>

#include "base/text.h"

namespace qx {

// The name inside the applet folder: unchanged when its folder part already equals the applet
// folder exactly (letter case counts), otherwise the folder followed by the name.
// appletFolder ends in "\".
std::string AppPathIn(const std::string& appletFolder, const std::string& name);

// The folder ending in "\"; an empty text stays empty.
std::string IncludeBackslash(const std::string& folder);

}  // namespace qx
