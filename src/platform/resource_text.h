#pragma once
// User-visible texts as the applet reads them: from its own string table (src/res/texts.def).
#include <string>

namespace qx {

// The text of a string resource id; empty when the id is not in the table.
std::string ResourceText(unsigned id);

}  // namespace qx
