// SkipException: leaving the current form (navigation, not a failure). It carries a message and the skip
// key that tells the transaction processor where to go: "FORM", "EXIT TRANS", "EXIT MENU", or the key code
// of escape or of a function key. It deliberately does not derive from tev::Error, so handlers that catch
// failures never swallow navigation.
#pragma once

#include <exception>
#include <string>

namespace tev {

class SkipException : public std::exception {
 public:
  SkipException(std::string message, std::string skipKey)
      : message_(std::move(message)), skipKey_(std::move(skipKey)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& getMessage() const { return message_; }
  const std::string& getSkipKey() const { return skipKey_; }

 private:
  std::string message_;
  std::string skipKey_;
};

}  // namespace tev
