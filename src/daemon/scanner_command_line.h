// The command line of a device's scanner process. The process takes, in this order: installation root,
// settings file, device name, environment, device type.
//
//  - configured program: the environment's setting "scanner_program" (the program followed by the
//    installation root and the settings file), then the device name, environment and type; the program is
//    replaced by a copy of its own per device (copyScannerProgram), so each device's process has its own
//    file;
//  - fallback: our scanner-process executable (defaultProgram, "VAVInterface") with DC, the daemon's settings
//    file, the device name, environment and type.
//
// The line is split at white space when it is run (no quoting), as the configured setting is written.
#pragma once

#include <string>

#include "daemon/device.h"
#include "daemon/torvend_data.h"

namespace tev {

// The file name of our scanner-process executable; a configured program of that name is never copied.
inline constexpr const char* kDefaultScannerProgramName = "VAVInterface";

std::string buildScannerCommandLine(const TorvendData& data, const Device& device,
                                    const std::string& defaultProgram);

// Trims the line; the program is the text up to the first blank (a line without one throws tev::Error).
// A program named like the default program (any letter case) is returned unchanged; otherwise the program is
// copied, when the copy is missing or older than the program, to "<program before .exe>_<device>.exe" (when
// it contains ".EXE" in any case) or "<program>_<device>", and the line returned runs that copy with the
// same arguments.
std::string copyScannerProgram(const std::string& commandLine, const std::string& deviceName);

// The line split at white space.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

}  // namespace tev
