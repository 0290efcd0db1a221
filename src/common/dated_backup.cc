#include "common/dated_backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/fd.h"
#include "common/java_format.h"
#include "common/replace_file.h"

namespace tev {
namespace {

// Counters tried before giving up (a directory with that many copies of one second is not a real case).
constexpr int kMaxCounter = 10000;

std::string systemReason(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// Copies from into a new file at to (never an existing one) and removes from. The status is that of the
// creation of to: exists when the name is taken.
NoReplaceResult copyAndRemove(const std::string& from, const std::string& to) {
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in) return {NoReplaceResult::Status::failed, systemReason("cannot open " + from)};
  struct stat info {};
  mode_t mode = ::fstat(in.get(), &info) == 0 ? (info.st_mode & 07777) : 0644;
  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (!out) {
    auto status = errno == EEXIST ? NoReplaceResult::Status::exists : NoReplaceResult::Status::failed;
    return {status, systemReason("cannot create " + to)};
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::string why = systemReason("cannot read " + from);
      ::unlink(to.c_str());
      return {NoReplaceResult::Status::failed, why};
    }
    if (n == 0) break;
    try {
      writeAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(n)));
    } catch (const std::exception& e) {
      ::unlink(to.c_str());
      return {NoReplaceResult::Status::failed, e.what()};
    }
  }
  if (::close(out.release()) != 0) {
    std::string why = systemReason("cannot close " + to);
    ::unlink(to.c_str());
    return {NoReplaceResult::Status::failed, why};
  }
  ::unlink(from.c_str());
  return {};
}

}  // namespace

std::string backupTimestamp(Clock::time_point time) {
  // A format object serves one thread at a time; this one is made per call (start-up needs one or two).
  return SimpleDateFormat("MMddyyyy-hhmmss").format(time);
}

std::string withCounter(const std::string& path, int n) {
  if (n == 0) return path;
  std::size_t slash = path.rfind('/');
  std::size_t dot = path.rfind('.');
  std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  // A leading dot names a hidden file, not an extension.
  if (dot == std::string::npos || dot <= nameStart) return path + "-" + std::to_string(n);
  return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

std::optional<std::string> moveKeepingBoth(const std::string& from, const std::string& to, std::string* why) {
  bool copy = false;
  for (int n = 0; n < kMaxCounter; ++n) {
    std::string target = withCounter(to, n);
    NoReplaceResult result = copy ? copyAndRemove(from, target) : renameNoReplace(from, target);
    if (result.status == NoReplaceResult::Status::otherFileSystem) {
      copy = true;
      result = copyAndRemove(from, target);
    }
    if (result) return target;
    if (result.status != NoReplaceResult::Status::exists) {
      if (why != nullptr) *why = result.reason;
      return std::nullopt;
    }
  }
  if (why != nullptr)
    *why = "every name from " + to + " to " + withCounter(to, kMaxCounter - 1) + " is taken";
  return std::nullopt;
}

}  // namespace tev
