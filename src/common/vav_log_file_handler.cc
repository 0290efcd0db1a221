#include "common/vav_log_file_handler.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/log.h"

namespace tev {
namespace {

// Attempts at one unique number when its generation 0 is replaced between our open and our lock.
constexpr int kLockAttempts = 10;

std::string systemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// True when the descriptor still is the file that the path names.
bool sameFile(int fd, const std::string& path) {
  struct stat open {};
  struct stat named {};
  if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

std::string systemTempDir() {
  std::error_code error;
  std::filesystem::path dir = std::filesystem::temp_directory_path(error);
  return error ? std::string("/tmp") : dir.string();
}

}  // namespace

VAVLogFileHandler::VAVLogFileHandler(std::string dc, std::string deviceId, Settings settings,
                                     std::string tempDir)
    : dc_(std::move(dc)), deviceId_(std::move(deviceId)), tempDir_(std::move(tempDir)) {
  if (settings.limit && *settings.limit < 0)
    throw Error("Invalid log file size limit: " + std::to_string(*settings.limit));
  if (settings.count && *settings.count < 1)
    throw Error("Invalid log file count: " + std::to_string(*settings.count));
  limit_ = settings.limit.value_or(0);
  count_ = settings.count.value_or(1);
  useLogDir_ = settings.limit.has_value();
  fileMode_ = settings.limit.has_value() || settings.count.has_value();
  if (tempDir_.empty()) tempDir_ = systemTempDir();
  set_pattern(log::kDefaultPattern);
  if (!fileMode_) return;
  bool previousExists = acquireSet();
  rotate(previousExists);
}

std::string VAVLogFileHandler::fileName(int unique, int generation) const {
  if (useLogDir_)
    return dc_ + "/log/" + deviceId_ + std::to_string(unique) + "." + std::to_string(generation) + ".log";
  std::string name = tempDir_ + "/" + deviceId_ + std::to_string(unique) + ".log";
  if (count_ > 1) name += "." + std::to_string(generation);
  return name;
}

bool VAVLogFileHandler::acquireSet() {
  for (int unique = 0; unique < kMaxUniqueNumber; ++unique) {
    const std::string path = fileName(unique, 0);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
      bool existed = true;
      Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
      if (!fd && errno == ENOENT) {
        existed = false;
        fd.reset(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
      }
      if (!fd) throw Error(systemError("Cannot open the log file " + path));
      if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) break;  // held by another handler: next number
        throw Error(systemError("Cannot lock the log file " + path));
      }
      // The file may have been moved to generation 1 by its previous holder between our open and our lock.
      if (!sameFile(fd.get(), path)) continue;
      file_ = std::move(fd);
      unique_ = unique;
      return existed;
    }
  }
  throw Error("No free log file set for " + fileName(0, 0) + ": the unique numbers 0 to " +
              std::to_string(kMaxUniqueNumber - 1) + " are all held by other handlers");
}

void VAVLogFileHandler::rotate(bool previousExists) {
  written_ = 0;
  if (count_ == 1) {
    // No generation is kept: generation 0 starts again, on the file we hold.
    if (previousExists && ::ftruncate(file_.get(), 0) != 0)
      throw Error(systemError("Cannot empty the log file " + fileName(0)));
    return;
  }
  for (int generation = count_ - 2; generation >= 1; --generation) {
    std::string from = fileName(generation);
    if (exists(from) && ::rename(from.c_str(), fileName(generation + 1).c_str()) != 0)
      throw Error(systemError("Cannot move the log file " + from));
  }
  if (!previousExists) return;

  const std::string current = fileName(0);
  const std::string previous = fileName(1);
  // The new generation 0, locked before it gets its name.
  std::string pattern = current + ".new-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  Fd fresh(::mkostemp(name.data(), O_APPEND | O_CLOEXEC));
  if (!fresh) throw Error(systemError("Cannot create a new log file beside " + current));
  const std::string temporary(name.data());
  auto fail = [&](const std::string& what) {
    std::string message = systemError(what);
    ::unlink(temporary.c_str());
    throw Error(message);
  };
  if (::fchmod(fresh.get(), 0644) != 0) fail("Cannot set the permissions of " + temporary);
  if (::flock(fresh.get(), LOCK_EX | LOCK_NB) != 0) fail("Cannot lock the log file " + temporary);
  if (::unlink(previous.c_str()) != 0 && errno != ENOENT) fail("Cannot remove the log file " + previous);
  // A link keeps the current file under its name until the new one replaces it; a file system without
  // links falls back to a move.
  if (::link(current.c_str(), previous.c_str()) != 0 && ::rename(current.c_str(), previous.c_str()) != 0)
    fail("Cannot move the log file " + current);
  if (::rename(temporary.c_str(), current.c_str()) != 0) fail("Cannot start the log file " + current);
  file_ = std::move(fresh);
}

void VAVLogFileHandler::sink_it_(const spdlog::details::log_msg& msg) {
  spdlog::memory_buf_t formatted;
  try {
    formatter_->format(msg, formatted);
  } catch (const std::exception& e) {
    reportOnce(std::string("cannot format a record: ") + e.what());
    return;
  }
  std::string_view text(formatted.data(), formatted.size());
  if (!fileMode_) {
    try {
      writeAll(STDERR_FILENO, text);
    } catch (const Error& e) {
      reportOnce(e.what());
    }
    return;
  }
  try {
    writeAll(file_.get(), text);
    written_ += static_cast<std::int64_t>(text.size());
  } catch (const Error& e) {
    reportOnce("cannot write " + fileName(0) + ": " + e.what());
    return;
  }
  if (limit_ > 0 && written_ >= limit_) {
    try {
      rotate(true);
    } catch (const Error& e) {
      reportOnce(e.what());
    }
  }
}

void VAVLogFileHandler::reportOnce(const std::string& what) {
  if (errorReported_) return;
  errorReported_ = true;
  std::string line = "VAVLogFileHandler: " + what + "\n";
  try {
    writeAll(STDERR_FILENO, line);
  } catch (const Error&) {
    // Nowhere left to report to.
  }
}

}  // namespace tev
