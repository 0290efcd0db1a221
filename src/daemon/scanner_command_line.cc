#include "daemon/scanner_command_line.h"

#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/java_text.h"

namespace tev {

namespace fs = std::filesystem;

std::string buildScannerCommandLine(const TorvendData& data, const Device& device,
                                    const std::string& defaultProgram) {
  std::string environment = nullText(device.environment);
  std::string tail = device.name + " " + environment + " " + device.type;
  if (auto configured = data.getScannerProgramCmdLine(device))
    return copyScannerProgram(*configured + " " + tail, device.name);
  return defaultProgram + " " + data.DC + " " + data.vavSettingsPath + " " + tail;
}

namespace {

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Copies the program through a temporary file renamed into place, so a copy is never seen half written.
void copyProgram(const fs::path& from, const fs::path& to) {
  fs::path temporary = to;
  temporary += ".tmp";
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing);
  fs::permissions(temporary, fs::status(from).permissions());
  fs::rename(temporary, to);
}

}  // namespace

std::string copyScannerProgram(const std::string& commandLine, const std::string& deviceName) {
  std::string line = trim(commandLine);
  size_t space = line.find(' ');
  if (space == std::string::npos) throw Error("No arguments in the scanner program command line: " + line);
  std::string program = line.substr(0, space);
  std::string arguments = line.substr(space);
  if (upper(fs::path(program).filename().string()) == upper(kDefaultScannerProgramName)) return line;

  size_t exe = upper(program).find(".EXE");
  std::string copy = exe != std::string::npos ? program.substr(0, exe) + "_" + deviceName + ".exe"
                                              : program + "_" + deviceName;
  try {
    if (!fs::exists(copy) || fs::last_write_time(copy) < fs::last_write_time(program))
      copyProgram(program, copy);
  } catch (const fs::filesystem_error& e) {
    throw Error("Cannot copy the scanner program " + program + " to " + copy + ": " + e.what());
  }
  return copy + " " + arguments;
}

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  for (char c : commandLine) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

}  // namespace tev
