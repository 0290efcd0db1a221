// A sink for the named loggers (tev::log) that writes their records into the daemon log, so the messages of
// the configuration readers the daemon uses ("Loaded xml document successfully: ...") land in torvend.log.
// Their warnings and errors are level 2 lines (start-up details: a missing optional setting is reported there
// as an error), everything else level 10.
#pragma once

#include <spdlog/sinks/base_sink.h>

#include <memory>
#include <mutex>

#include "daemon/system_log.h"

namespace tev {

class SystemLogSink : public spdlog::sinks::base_sink<std::mutex> {
 public:
  explicit SystemLogSink(std::shared_ptr<SystemLog> log) : log_(std::move(log)) {}

 protected:
  void sink_it_(const spdlog::details::log_msg& msg) override {
    int level = msg.level >= spdlog::level::warn ? 2 : 10;
    log_->log(level, std::string_view(msg.payload.data(), msg.payload.size()));
  }
  void flush_() override {}

 private:
  std::shared_ptr<SystemLog> log_;
};

}  // namespace tev
