// The standard key list: xterm / VT100 key codes and capability strings, the key list the demo installation
// ships as key_list.xml (the file holds exactly standardKeyListText()). Screen tests use it unless they need
// another scanner model.
#pragma once

#include <string>

#include "terminal/emulator_settings.h"

namespace tev::sim {

// The key list file's content, one "name=value" line per capability, LF line ends.
const std::string& standardKeyListText();
// Settings initialised from that text.
EmulatorSettings standardSettings();

}  // namespace tev::sim
