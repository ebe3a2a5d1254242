#pragma once
// The root of every error the system raises with a fixed, user-readable message.
#include <exception>
#include <string>
#include <utility>

namespace qx {

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

}  // namespace qx
