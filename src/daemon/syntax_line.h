// The usage line of the daemon and of its command-line tools: "Syntax: " and the command that starts the
// program, followed by the program's own part (its name and arguments, with a blank in front).
#pragma once

#include <string>
#include <string_view>

namespace tev {

// The command word that usage lines name in front of a program.
inline constexpr const char* kStartCommand = "exec";

inline std::string syntaxLine(std::string_view rest) {
  return "Syntax: " + std::string(kStartCommand) + std::string(rest);
}

}  // namespace tev
