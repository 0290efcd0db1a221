#include "common/replace_file.h"

#include <fcntl.h>
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
  std::filesystem::path directory = target.parent_path();
  std::string pattern = (directory.empty() ? std::string() : directory.string() + "/") + "." +
                        target.filename().string() + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');

  mode_t mode = 0644;
  struct stat old {};
  if (::stat(final.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) return "is a directory";
    mode = old.st_mode & 07777;
  }

  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0)
    return reason("cannot create a temporary file in " + (directory.empty() ? "." : directory.string()));
  std::string temporary(name.data());
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
  if (::rename(temporary.c_str(), final.c_str()) != 0) {
    std::string why = reason("cannot rename " + temporary + " to " + final);
    ::unlink(temporary.c_str());
    return why;
  }
  return "";
}

}  // namespace tev
