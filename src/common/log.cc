#include "common/log.h"

#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <map>

namespace tev::log {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, Logger, std::less<>> loggers;
  std::vector<spdlog::sink_ptr> sinks;
  spdlog::level::level_enum level = spdlog::level::info;

  Registry() {
    auto sink = std::make_shared<spdlog::sinks::stderr_sink_mt>();
    sink->set_pattern(kDefaultPattern);
    sinks.push_back(sink);
  }
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

Logger get(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.loggers.find(name);
  if (it != r.loggers.end()) return it->second;
  auto logger = std::make_shared<spdlog::logger>(std::string(name), r.sinks.begin(), r.sinks.end());
  logger->set_level(r.level);
  logger->flush_on(spdlog::level::trace);
  r.loggers.emplace(std::string(name), logger);
  return logger;
}

void setSinks(std::vector<spdlog::sink_ptr> sinks) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.sinks = std::move(sinks);
  for (auto& [name, logger] : r.loggers) logger->sinks() = r.sinks;
}

std::vector<spdlog::sink_ptr> currentSinks() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.sinks;
}

void setLevel(spdlog::level::level_enum level) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.level = level;
  for (auto& [name, logger] : r.loggers) logger->set_level(level);
}

namespace {
spdlog::level::level_enum currentLevel() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.level;
}
}  // namespace

class Capture::Sink : public spdlog::sinks::base_sink<std::mutex> {
 public:
  std::vector<Line> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    lines_.push_back({std::string(msg.logger_name.begin(), msg.logger_name.end()), msg.level,
                      std::string(msg.payload.begin(), msg.payload.end())});
  }
  void flush_() override {}

 private:
  std::vector<Line> lines_;
};

Capture::Capture()
    : sink_(std::make_shared<Sink>()), previousSinks_(currentSinks()), previousLevel_(currentLevel()) {
  setSinks({sink_});
  setLevel(spdlog::level::trace);
}

Capture::~Capture() {
  setSinks(previousSinks_);
  setLevel(previousLevel_);
}

std::vector<Line> Capture::lines() const {
  return sink_->lines();
}

bool Capture::contains(std::string_view fragment) const {
  for (const Line& line : sink_->lines())
    if (line.text.find(fragment) != std::string::npos) return true;
  return false;
}

void Capture::clear() {
  sink_->clear();
}

}  // namespace tev::log
