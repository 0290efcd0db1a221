// Names and moves for the dated copies of old logs (a scanner process's device log and the output of its
// Perl program, the daemon's backups of device logs). A copy is named after a time, and a copy never replaces
// another: when the name is taken (two starts within one second, or a copy left by an earlier run), a counter
// goes before the extension, "D1-12102026-031500.log" becoming "D1-12102026-031500-1.log", then "-2", ...
#pragma once

#include <optional>
#include <string>

#include "common/clock.h"

namespace tev {

// The time of a copy's name: month, day, four-digit year, "-", hours on the 12-hour clock (no AM/PM marker),
// minutes, seconds ("12102026-031500" for 10 December 2026, 15:15:00), in the process's time zone.
std::string backupTimestamp(Clock::time_point time);

// The name with counter n before its extension (the part from the last "." of the file name); n == 0 gives
// the name itself. "a/D1-x.log", 2 -> "a/D1-x-2.log"; "a/b.c/name", 1 -> "a/b.c/name-1".
std::string withCounter(const std::string& path, int n);

// Moves the file from to the path to, or, when that exists, to the first free withCounter(to, n). Falls back
// to copy and delete when the two are on different file systems. Returns the path the file now has, or
// nothing when it could not be moved (from missing, target directory missing, ...); the reason goes into *why
// when given. An existing file is never overwritten.
std::optional<std::string> moveKeepingBoth(const std::string& from, const std::string& to,
                                           std::string* why = nullptr);

}  // namespace tev
