#pragma once
// How the applet reads its command line: the parameter split and the switch comparison.
#include <string>
#include <vector>

namespace qx {

// Splits a whole command line into parameters, the program name included as the first one.
// Blanks (every character up to and including the space) separate parameters; a double quote
// starts or ends a stretch in which blanks don't separate, and is itself dropped. An empty
// quoted stretch ("") is a parameter of its own and does not end the list.
std::vector<std::string> SplitParameters(const std::string& commandLine);

// True when the parameter equals the switch as a whole: "a" to "z" match their capitals, every
// other character must be identical.
bool SwitchEquals(const std::string& parameter, const std::string& switchText);

// True when any parameter after the program name equals the switch.
bool CommandLineHasSwitch(const std::string& commandLine, const std::string& switchText);

}  // namespace qx
