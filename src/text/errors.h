// Base of the program's exceptions: each carries its user-facing message
// (Windows-1250).
#pragma once

#include <stdexcept>
#include <string>

namespace text {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace text
