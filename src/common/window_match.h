#pragma once
// The rule that picks a top-level window by its title (used to close a CD player program).
#include <string>

namespace qx {

// Window texts are read into a 255-byte buffer: at most this many characters count.
constexpr std::size_t kWindowTextLimit = 254;

// True when the window's title is not empty and contains the wanted title, and the wanted class
// is empty or contained in the window's class name. Letter case counts; both window texts are
// cut to kWindowTextLimit characters first, as the platform reads them.
bool WindowMatches(const std::string& windowTitle, const std::string& windowClass,
                   const std::string& wantedTitle, const std::string& wantedClass);

}  // namespace qx
