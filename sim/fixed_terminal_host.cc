#include "sim/fixed_terminal_host.h"

namespace tev::sim {

std::string FixedTerminalHost::getParamValue(const std::vector<std::string>& path) {
  std::string key;
  for (const std::string& id : path) key += (key.empty() ? "" : "/") + id;
  auto it = params.find(key);
  return it == params.end() ? "" : it->second;
}

void FixedTerminalHost::restoreSessionScreen(TerminalEmulator& emulator) {
  ++restores;
  TerminalHost::restoreSessionScreen(emulator);
}

}  // namespace tev::sim
