// HttpPost: one HTTP POST of a text body, the whole response body back (the direct web-service requests).
// Each post opens its own connection; nothing is reused. Only http and https addresses are accepted.
#pragma once

#include <chrono>
#include <string>

#include "common/error.h"

namespace tev {

// The post failed: a malformed address, no connection, a transfer error, or an HTTP status of 400 or above.
class HttpPostError : public Error {
 public:
  using Error::Error;
};

class HttpPost {
 public:
  // Posts body with the header "Content-Type: " + contentType and returns the response body. timeout 0: none
  // beyond libcurl's own connection time-out. Throws HttpPostError.
  static std::string post(const std::string& url, const std::string& contentType, const std::string& body,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
};

}  // namespace tev
