// The failure base of the whole code base. Every named failure (a refused setting, a failed back-end call,
// a bad format) derives from tev::Error and carries its message text exactly as the operator or the log
// must see it. Navigation (leaving a form) is not a failure and deliberately does not derive from it.
#pragma once

#include <stdexcept>
#include <string>

namespace tev {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
  // The message text, as the original getMessage() gave it.
  std::string getMessage() const { return what(); }
};

// An index outside a text or a list (a negative width, a pad longer than its source).
class IndexOutOfRange : public Error {
 public:
  using Error::Error;
};

// Text that should be a number and is not, or a number that does not fit its type.
class NumberFormatError : public Error {
 public:
  using Error::Error;
};

}  // namespace tev
