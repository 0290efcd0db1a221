#include "daemon/system_log.h"

#include <cxxabi.h>
#include <fcntl.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <typeinfo>

#include "common/clock.h"
#include "common/error.h"
#include "daemon/torvend_data.h"

namespace tev {
namespace {

Fd openTruncated(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) detail::throwSystemError("cannot open " + path, errno);
  return Fd(fd);
}

}  // namespace

SystemLogImpl::SystemLogImpl(std::string logDirectory) : logDirectory_(std::move(logDirectory)) {
  torvendLog_ = openTruncated(logDirectory_ + "/torvend.log");
}

void SystemLogImpl::initialize(const TorvendData* data) {
  std::lock_guard lock(mutex_);
  data_ = data;
}

std::string SystemLogImpl::timePrefix() {
  std::time_t seconds = std::chrono::system_clock::to_time_t(Clock::current().now());
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%m-%d-%y %H:%M:%S| ", &local);
  return text;
}

std::string SystemLogImpl::describe(const std::exception& e) {
  const char* mangled = typeid(e).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                              std::free);
  return std::string(status == 0 && name ? name.get() : mangled) + ": " + e.what();
}

bool SystemLogImpl::passes(int level) const {
  return data_ == nullptr || level <= data_->debugLevel.load();
}

bool SystemLogImpl::fileWanted(const LogSubject& subject) const {
  if (data_ == nullptr) return false;
  switch (subject.logKind()) {
    case LogKind::kThread:
      return data_->bMaintainThreadLogs.load();
    case LogKind::kDevice:
      return data_->bMaintainDeviceLogs.load();
    case LogKind::kObject:
      break;
  }
  return data_->bMaintainObjectLogs.load();
}

bool SystemLogImpl::showStackTraces() const {
  return data_ != nullptr && data_->bShowStackTraces.load();
}

void SystemLogImpl::write(const LogSubject* subject, std::string_view text) {
  std::string line = timePrefix();
  line.append(text);
  line.push_back('\n');
  int fd = torvendLog_.get();
  if (subject != nullptr && fileWanted(*subject)) {
    auto it = logFiles_.find(subject);
    if (it == logFiles_.end()) return;  // the subject's own file could not be opened: its lines are dropped
    fd = it->second.get();
  }
  try {
    writeAll(fd, line);
  } catch (const Error&) {
    // A log line that cannot be written is lost; there is nowhere else to report it.
  }
}

void SystemLogImpl::log(int level, std::string_view message) {
  std::lock_guard lock(mutex_);
  if (passes(level)) write(nullptr, message);
}

void SystemLogImpl::log(const LogSubject& subject, int level, std::string_view message) {
  std::lock_guard lock(mutex_);
  if (passes(level)) write(&subject, message);
}

void SystemLogImpl::logStackTrace(const std::exception& e) {
  std::lock_guard lock(mutex_);
  if (showStackTraces()) write(nullptr, describe(e));
}

void SystemLogImpl::logStackTrace(const LogSubject& subject, const std::exception& e) {
  std::lock_guard lock(mutex_);
  if (showStackTraces()) write(&subject, describe(e));
}

void SystemLogImpl::logStackTrace(std::string_view message, const std::exception& e) {
  log(1, std::string(message) + ": " + e.what());
  logStackTrace(e);
}

void SystemLogImpl::logStackTrace(const LogSubject& subject, std::string_view message,
                                  const std::exception& e) {
  log(subject, 1, std::string(message) + ": " + e.what());
  logStackTrace(subject, e);
}

void SystemLogImpl::openLocked(const LogSubject& subject, const std::string& fileName) {
  logFileNames_[&subject] = fileName;
  if (!fileWanted(subject)) return;
  std::string path = logDirectory_ + "/" + fileName;
  try {
    logFiles_[&subject] = openTruncated(path);
  } catch (const Error& e) {
    write(nullptr, "Error in opening the log file: " + path);
    if (showStackTraces()) write(nullptr, describe(e));
  }
}

void SystemLogImpl::setLog(const LogSubject& subject, const std::string& fileName) {
  std::lock_guard lock(mutex_);
  openLocked(subject, fileName);
}

void SystemLogImpl::closeLog(const LogSubject& subject) {
  std::lock_guard lock(mutex_);
  logFiles_.erase(&subject);
  logFileNames_.erase(&subject);
}

void SystemLogImpl::reopenAllLogfiles() {
  std::lock_guard lock(mutex_);
  auto names = logFileNames_;
  logFiles_.clear();
  for (const auto& [subject, name] : names) openLocked(*subject, name);
}

}  // namespace tev
