#include "gateway/request_line.h"

#include "gateway/router_reply.h"

namespace tev {

std::string lineSafe(std::string_view value, std::string_view what, const log::Logger& logger, bool secret) {
  std::string safe(value);
  int replaced = 0;
  for (char& c : safe) {
    if (c == router::FS || c == '\r' || c == '\n') {
      c = ' ';
      ++replaced;
    }
  }
  if (replaced > 0) {
    logger->warn("{} separator or line-end character(s) in the {} replaced by blanks{}{}", replaced, what,
                 secret ? "" : ": ", secret ? "" : safe);
  }
  return safe;
}

std::string buildRequestLine(const RequestHeader& header, std::string_view kindAndBody,
                             const log::Logger& logger) {
  std::string line;
  line.reserve(header.deviceId.size() + header.userName.size() + header.environment.size() +
               header.title.size() + kindAndBody.size() + 4);
  const std::pair<const std::string*, const char*> fields[] = {{&header.deviceId, "device id"},
                                                               {&header.userName, "user name"},
                                                               {&header.environment, "environment"},
                                                               {&header.title, "transaction title"}};
  for (const auto& [value, what] : fields) {
    line += lineSafe(*value, what, logger);
    line += router::FS;
  }
  line += kindAndBody;
  return line;
}

}  // namespace tev
