#include "common/command_line.h"

#include "base/text.h"

namespace qx {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<std::string> SplitParameters(const std::string& commandLine) {
  std::vector<std::string> parameters;
  const std::string& line = commandLine;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string parameter;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '"') {
        quoted = !quoted;
        continue;
      }
      if (!quoted && IsBlank(c)) break;
      parameter += c;
    }
    parameters.push_back(parameter);
  }
  return parameters;
}

bool SwitchEquals(const std::string& parameter, const std::string& switchText) {
  return SameTextAscii(parameter, switchText);
}

bool CommandLineHasSwitch(const std::string& commandLine, const std::string& switchText) {
  const std::vector<std::string> parameters = SplitParameters(commandLine);
  for (std::size_t i = 1; i < parameters.size(); ++i)
    if (SwitchEquals(parameters[i], switchText)) return true;
  return false;
}

}  // namespace qx
