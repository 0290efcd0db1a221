#include "session/perl_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/dated_backup.h"
#include "common/error.h"
#include "common/java_text.h"
#include "common/log.h"
#include "common/replace_file.h"
#include "session/device_log.h"

namespace tev {
namespace {

bool endsWithIgnoreCase(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() &&
         equalsIgnoreCase(std::string_view(text).substr(text.size() - ending.size()), ending);
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("cannot read the Perl program " + path + ": " + std::strerror(errno));
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw Error("cannot read the Perl program " + path);
  return bytes.str();
}

// Modification time of a file; nothing when it does not exist.
std::optional<struct timespec> modified(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return info.st_mtim;
}

bool olderThan(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

std::optional<std::string> preparePerlCommand(VAVSettings& settings, const PerlCommandContext& context) {
  std::optional<std::string> program = settings.getConfigParamValue(context.environment, {"perl_program"});
  if (!program) {
    log::get(DeviceLog::LOGGER_NAME)
        ->warn("{}", "perl_program setting not available: no Perl program is run");
    return std::nullopt;
  }
  if (program->empty()) return std::nullopt;

  backupPerlOutput(context);
  std::string command =
      *program + " " + context.deviceId + " " + context.environment + " " + context.deviceType;
  if (!runsPerlInterpreter(command)) command = copyPerlProgram(command, context.deviceId);
  return command;
}

std::optional<std::string> backupPerlOutput(const PerlCommandContext& context) {
  if (!context.backup.keepLogFiles || !context.backup.backsUp()) return std::nullopt;
  const std::string dir = nullText(context.backup.backupDir);
  std::string name = context.deviceId + "_perl-" + backupTimestamp(context.start) + ".out";
  std::optional<std::string> moved;
  const std::string output = context.logDirectory + "/" + context.deviceId + "_perl.out";
  if (context.backup.backupDir && std::filesystem::exists(output)) {
    moved = moveKeepingBoth(output, dir + "/" + name);
    if (moved) name = std::filesystem::path(*moved).filename().string();
  }
  log::get(DeviceLog::LOGGER_NAME)->info("{}", "Saved the old log file as: " + dir + "/" + name);
  return moved;
}

bool runsPerlInterpreter(const std::string& command) {
  if (command.find("perl.exe") != std::string::npos) return true;
  std::string trimmed = trim(command);
  std::string program = trimmed.substr(0, trimmed.find(' '));
  return std::filesystem::path(program).filename() == "perl";
}

std::string copyPerlProgram(const std::string& command, const std::string& deviceId) {
  const std::string trimmed = trim(command);
  const std::size_t blank = trimmed.find(' ');
  const std::string program = trimmed.substr(0, blank);
  const std::string arguments = blank == std::string::npos ? "" : trimmed.substr(blank);

  const std::string copy = endsWithIgnoreCase(program, ".EXE")
                               ? program.substr(0, program.size() - 4) + "_" + deviceId + ".exe"
                               : program + "_" + deviceId;

  std::optional<struct timespec> programTime = modified(program);
  if (!programTime) throw Error("cannot read the Perl program " + program + ": " + std::strerror(ENOENT));
  std::optional<struct timespec> copyTime = modified(copy);
  if (!copyTime || olderThan(*copyTime, *programTime)) {
    // Written aside and renamed into place, so a copy that is running is never changed under it.
    std::string why = replaceFile(copy, readWhole(program));
    if (!why.empty()) throw Error("cannot copy the Perl program " + program + " to " + copy + ": " + why);
    // A new copy runs like its program (replaceFile gives a new file 0644).
    struct stat info {};
    if (::stat(program.c_str(), &info) == 0) ::chmod(copy.c_str(), info.st_mode & 0777);
  }
  if (copy[0] == '/' && ::chmod(copy.c_str(), 0755) != 0)
    throw Error("cannot set the mode of " + copy + ": " + std::strerror(errno));
  return copy + " " + arguments;
}

}  // namespace tev
