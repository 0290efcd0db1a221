// The request line every request kind sends to the ERP router: device id, user name, environment and
// transaction title, each followed by FS, then the kind and body written together (" DDC" + body, "SQL" +
// body, "LOGIN" + body, ...). The line end (CR LF) is added by the connection.
//
// The fields are not escaped. A FS, CR or LF inside a value would split the line or shift its fields and put
// requests and replies out of step, so lineSafe replaces each of them by a blank (and logs that it did);
// every value taken from outside (header fields, a whole function string or SQL text, the company, log-in
// texts) passes through it before it is placed in a line. Separators the body needs itself are added after.
#pragma once

#include <string>
#include <string_view>

#include "common/log.h"

namespace tev {

struct RequestHeader {
  std::string deviceId;
  std::string userName;  // "" in a log-in request
  std::string environment;
  std::string title;
};

// The value with every FS, CR and LF replaced by a blank; when something was replaced, a warning naming
// `what` (and, unless the value is secret, the cleaned value) is logged.
std::string lineSafe(std::string_view value, std::string_view what, const log::Logger& logger,
                     bool secret = false);

// The four header fields (each made line-safe) each followed by FS, then kindAndBody as it is.
std::string buildRequestLine(const RequestHeader& header, std::string_view kindAndBody,
                             const log::Logger& logger);

}  // namespace tev
