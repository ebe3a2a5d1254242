#include "call_log.h"

#include <fstream>

namespace qx::rwlib {

std::string FormatCallLine(const std::string& name, const TLogFields& arguments, const std::string& result,
                           const TLogFields& outputs) {
  std::string line = name;
  for (const std::string& field : arguments.Fields()) line += "\t" + field;
  line += "\t->\t" + result;
  for (const std::string& field : outputs.Fields()) line += "\t" + field;
  return line;
}

void TCallLog::Append(const std::string& line) {
  if (!Enabled()) return;
  std::lock_guard<std::mutex> hold(Lock_);
  std::ofstream out(Path_, std::ios::binary | std::ios::app);
  out << line << '\n';
}

}  // namespace qx::rwlib
