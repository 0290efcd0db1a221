#include "terminal/term_key_parser.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/fd.h"
#include "common/line_reader.h"
#include "terminal/emulator_settings.h"

namespace tev {
namespace {

std::string readWholeFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) throw Error("Cannot open " + path + ": " + std::strerror(errno));
  std::string content;
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error("Cannot read " + path + ": " + std::strerror(errno));
    }
    if (n == 0) break;
    content.append(buf, static_cast<std::size_t>(n));
  }
  return content;
}

}  // namespace

bool TermKeyParser::initialize(const std::string& path) {
  loadText(readWholeFile(path), path);
  return true;
}

void TermKeyParser::loadText(std::string_view text, const std::string& source) {
  std::map<std::string, std::string, std::less<>> table;
  int number = 0;
  for (const std::string& line : splitLines(text)) {
    ++number;
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      throw KeyListError("Line " + std::to_string(number) + " of " + source + " has no \"=\"");
    }
    table[line.substr(0, eq)] = line.substr(eq + 1);
  }
  termKeysHash = std::move(table);
}

std::optional<std::string> TermKeyParser::getKeyValue(std::string_view name) const {
  if (name.empty()) return std::string();
  auto it = termKeysHash.find(name);
  if (it == termKeysHash.end()) return std::nullopt;
  return it->second;
}

EmulatorSettings TermKeyParser::getEmulatorSettings() const {
  EmulatorSettings settings;
  settings.initialize(*this);
  return settings;
}

}  // namespace tev
