// Named loggers. Every area logs through the logger of its own name (the names are part of the system:
// "tev.beans.XmlLogger", "tev.framework.application.Logger", ...). All loggers share one set of sinks, which
// a program sets once at start-up (a scanner process: its standard error, which is the device log) and a test
// replaces with a Capture.
#pragma once

#include <spdlog/spdlog.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tev::log {

using Logger = std::shared_ptr<spdlog::logger>;

// The logger of this name, created on first use with the current sinks and level.
Logger get(std::string_view name);

// Replaces the sinks of every logger, present and future.
void setSinks(std::vector<spdlog::sink_ptr> sinks);
std::vector<spdlog::sink_ptr> currentSinks();

// Sets the lowest level written by every logger, present and future.
void setLevel(spdlog::level::level_enum level);

// The line layout of the default sink: time, level, logger name, message.
inline constexpr const char* kDefaultPattern = "%Y-%m-%d %H:%M:%S.%e %-5l [%n] %v";

struct Line {
  std::string logger;
  spdlog::level::level_enum level;
  std::string text;
};

// Collects every log line while it lives (for tests); restores the previous sinks and level afterwards.
class Capture {
 public:
  Capture();
  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  std::vector<Line> lines() const;
  // True when some line's text contains the fragment.
  bool contains(std::string_view fragment) const;
  void clear();

 private:
  class Sink;
  std::shared_ptr<Sink> sink_;
  std::vector<spdlog::sink_ptr> previousSinks_;
  spdlog::level::level_enum previousLevel_;
};

}  // namespace tev::log
