// The command line of an environment's external Perl program, prepared at start-up before the program is
// started (starting it and linking to it are the Perl link's business):
//
//   - the output of the previous run, <log directory>/<deviceId>_perl.out, is moved to
//     <backupDir>/<deviceId>_perl-MMddyyyy-hhmmss.out when backup_log_files / keep_log_files says "yes" or
//     "true" (letter case ignored), never over an existing file (see dated_backup.h);
//   - the command is the setting perl_program, the device id, the environment and the device type, separated
//     by single blanks;
//   - a command that names the Perl interpreter (its program is "perl", or it contains "perl.exe") runs as
//     configured; any other program runs as a copy of its own per device (copyPerlProgram), so that each
//     scanner's instance can be told apart and replaced while others run.
#pragma once

#include <optional>
#include <string>

#include "common/clock.h"
#include "config/vav_settings.h"
#include "session/log_backup.h"

namespace tev {

struct PerlCommandContext {
  std::string environment;
  std::string deviceId;
  std::string deviceType;
  // The final log directory of the device log (LogPlacement::directory).
  std::string logDirectory;
  LogBackupSettings backup;
  // The start of the process (the backup's name).
  Clock::time_point start;
};

// Steps before the start: backs up the previous output, builds the command and, unless it names the Perl
// interpreter, replaces it by copyPerlProgram's. Nothing when perl_program is missing or "" (no Perl program;
// a missing setting is logged). Throws tev::Error when the program copy fails.
std::optional<std::string> preparePerlCommand(VAVSettings& settings, const PerlCommandContext& context);

// Moves <logDirectory>/<deviceId>_perl.out aside as described above, when backup.keepLogFiles is set and says
// so, and logs "Saved the old log file as: " + backup dir + "/" + the name. Returns the new path of the moved
// file (nothing when there was none to move or it could not be moved).
std::optional<std::string> backupPerlOutput(const PerlCommandContext& context);

// True when the command runs as configured: it contains "perl.exe", or its program (first word) is "perl"
// (a path whose last step is "perl" included).
bool runsPerlInterpreter(const std::string& command);

// The per-device copy of a program. The command is trimmed and split at its first blank into the program and
// the argument part (which keeps its leading blank). The copy is the program with "_" + deviceId before a
// ".EXE" ending (found ignoring case; the copy then ends in ".exe"), or with "_" + deviceId appended. The
// program's bytes are copied when the copy is missing or older than the program (modification time); a copy
// whose name begins with "/" gets the mode 755. Returns the copy, a blank and the argument part. Throws
// tev::Error when the program cannot be read or the copy cannot be written.
std::string copyPerlProgram(const std::string& command, const std::string& deviceId);

}  // namespace tev
