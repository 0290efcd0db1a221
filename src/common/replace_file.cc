#include "common/replace_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "common/error.h"
#include "common/fd.h"

namespace tev {
namespace {

std::string reason(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// Writes the content to a new temporary file beside target (see the header for its name), with the given
// permission bits, and flushes it to disk. Returns "" and the temporary's path, or the reason (nothing left
// behind).
std::string writeTemporary(const std::filesystem::path& target, const std::string& content, mode_t mode,
                           std::string& temporary) {
  std::filesystem::path directory = target.parent_path();
  std::string pattern = (directory.empty() ? std::string() : directory.string() + "/") + "." +
                        target.filename().string() + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');

  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0)
    return reason("cannot create a temporary file in " + (directory.empty() ? "." : directory.string()));
  temporary = name.data();
  auto fail = [&](const std::string& why) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return why;
  };

  try {
    writeAll(fd, content);
  } catch (const Error& e) {
    return fail(std::string("cannot write ") + temporary + ": " + e.what());
  }
  if (::fchmod(fd, mode) != 0) return fail(reason("cannot set the permissions of " + temporary));
  if (::fsync(fd) != 0) return fail(reason("cannot flush " + temporary));
  if (::close(fd) != 0) {
    ::unlink(temporary.c_str());
    return reason("cannot close " + temporary);
  }
  return "";
}

NoReplaceResult refused(NoReplaceResult::Status status, const std::string& why) {
  return NoReplaceResult{status, why};
}

}  // namespace

std::string replaceFile(const std::string& path, const std::string& content) {
  if (path.empty()) return "no file name";
  // A link stays a link: the file it points to is the one replaced.
  std::error_code error;
  std::filesystem::path target(path);
  if (std::filesystem::is_symlink(target, error)) {
    std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (error) return "cannot resolve the link " + path + ": " + error.message();
    target = resolved;
  }
  const std::string final = target.string();

  mode_t mode = 0644;
  struct stat old {};
  if (::stat(final.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) return "is a directory";
    mode = old.st_mode & 07777;
  }

  std::string temporary;
  std::string why = writeTemporary(target, content, mode, temporary);
  if (!why.empty()) return why;
  if (::rename(temporary.c_str(), final.c_str()) != 0) {
    why = reason("cannot rename " + temporary + " to " + final);
    ::unlink(temporary.c_str());
    return why;
  }
  return "";
}

NoReplaceResult renameNoReplace(const std::string& from, const std::string& to) {
  using Status = NoReplaceResult::Status;
  const std::string what = "cannot rename " + from + " to " + to;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno == EEXIST) return refused(Status::exists, to + " exists");
  if (errno == EXDEV) return refused(Status::otherFileSystem, reason(what));
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return refused(Status::failed, reason(what));

  // The file system cannot rename without replacing; a hard link can refuse an existing name just as well.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return {};
  }
  if (errno == EEXIST) return refused(Status::exists, to + " exists");
  if (errno == EXDEV) return refused(Status::otherFileSystem, reason(what));
  if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS) return refused(Status::failed, reason(what));

  // Neither is supported (some network file systems): check, then rename.
  struct stat existing {};
  if (::lstat(to.c_str(), &existing) == 0) return refused(Status::exists, to + " exists");
  if (::rename(from.c_str(), to.c_str()) == 0) return {};
  return refused(errno == EXDEV ? Status::otherFileSystem : Status::failed, reason(what));
}

NoReplaceResult createNewFile(const std::string& path, const std::string& content) {
  using Status = NoReplaceResult::Status;
  if (path.empty()) return refused(Status::failed, "no file name");
  std::string temporary;
  std::string why = writeTemporary(std::filesystem::path(path), content, 0644, temporary);
  if (!why.empty()) return refused(Status::failed, why);
  NoReplaceResult result = renameNoReplace(temporary, path);
  if (!result) {
    ::unlink(temporary.c_str());
    // The temporary sits beside the target, so a rename across file systems cannot happen here.
    if (result.status == Status::otherFileSystem) result.status = Status::failed;
  }
  return result;
}

}  // namespace tev
