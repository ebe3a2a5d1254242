#pragma once
// The image recorder's call log: one line per call, fields separated by a TAB: the entry point's
// name, its arguments in order, "->", the result code, then the values written to out parameters.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace qx::rwlib {

// A field list built in call order; integers in decimal, texts as they are.
class TLogFields {
public:
  TLogFields& Add(int64_t value) { return Add(std::to_string(value)); }
  TLogFields& Add(const std::string& text) {
    Fields_.push_back(text);
    return *this;
  }
  const std::vector<std::string>& Fields() const { return Fields_; }

private:
  std::vector<std::string> Fields_;
};

// "name<TAB>args...<TAB>-><TAB>result<TAB>outs..." without the line end. `result` is a text so that
// a forced fault can be logged as "fault".
std::string FormatCallLine(const std::string& name, const TLogFields& arguments, const std::string& result,
                           const TLogFields& outputs);

class TCallLog {
public:
  explicit TCallLog(std::filesystem::path path = {}) : Path_(std::move(path)) {}
  bool Enabled() const { return !Path_.empty(); }
  // Appends the line and a LF; the file is opened for each line so that readers see every call
  // as soon as it has been made, even if the process dies.
  void Append(const std::string& line);

private:
  std::filesystem::path Path_;
  std::mutex Lock_;
};

}  // namespace qx::rwlib
