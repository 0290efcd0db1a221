#include "daemon/daemon_waits.h"

#include <charconv>
#include <cstdlib>

namespace tev {

DaemonWaits DaemonWaits::parse(std::string_view text) {
  DaemonWaits waits;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = item.substr(0, equals);
    std::string_view number = item.substr(equals + 1);
    long long ms = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), ms);
    if (error != std::errc() || end != number.data() + number.size() || ms < 0) continue;
    std::chrono::milliseconds value(ms);
    if (name == "start") waits.start = value;
    if (name == "setup") waits.setup = value;
    if (name == "thread") waits.thread = value;
    if (name == "name") waits.name = value;
    if (name == "retry") waits.retry = value;
  }
  return waits;
}

DaemonWaits DaemonWaits::fromEnvironment() {
  const char* text = std::getenv("TEV_TORVEND_TEST_WAITS");
  return text == nullptr ? DaemonWaits() : parse(text);
}

}  // namespace tev
