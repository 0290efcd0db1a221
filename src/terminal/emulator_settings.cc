#include "terminal/emulator_settings.h"

#include "terminal/term_key_parser.h"

namespace tev {

bool EmulatorSettings::initialize(const TermKeyParser& parser) {
  ESC = "\x1b";
  ENTER = "\r";
  BACKSPACE = "\b";
  struct Capability {
    const char* name;
    std::string EmulatorSettings::*field;
    bool optional;
  };
  static const Capability kCapabilities[] = {
      {"kcuf1", &EmulatorSettings::KCUF1, false}, {"kcub1", &EmulatorSettings::KCUB1, false},
      {"kcud1", &EmulatorSettings::KCUD1, false}, {"kcuu1", &EmulatorSettings::KCUU1, false},
      {"khome", &EmulatorSettings::KHOME, false}, {"kend", &EmulatorSettings::KEND, false},
      {"kich1", &EmulatorSettings::KICH1, false}, {"clear", &EmulatorSettings::CLEAR, false},
      {"el", &EmulatorSettings::EL, false},       {"smul", &EmulatorSettings::SMUL, false},
      {"bold", &EmulatorSettings::BOLD, false},   {"rev", &EmulatorSettings::REV, false},
      {"blink", &EmulatorSettings::BLINK, false}, {"invis", &EmulatorSettings::INVISIBLE, false},
      {"sgr0", &EmulatorSettings::SGR0, false},   {"bel", &EmulatorSettings::BEL, false},
      {"smacs", &EmulatorSettings::SMACS, false}, {"rmacs", &EmulatorSettings::RMACS, false},
      {"kf1", &EmulatorSettings::KF1, false},     {"kf2", &EmulatorSettings::KF2, false},
      {"kf3", &EmulatorSettings::KF3, false},     {"kf4", &EmulatorSettings::KF4, false},
      {"kf5", &EmulatorSettings::KF5, false},     {"kf15", &EmulatorSettings::KF41, false},
      {"kf6", &EmulatorSettings::KF6, false},     {"kf7", &EmulatorSettings::KF7, false},
      {"kf8", &EmulatorSettings::KF8, false},     {"kf9", &EmulatorSettings::KF9, false},
      {"kf10", &EmulatorSettings::KF10, false},   {"kf11", &EmulatorSettings::KF11, true},
  };
  std::map<std::string, std::string, std::less<>> table;
  for (const Capability& c : kCapabilities) {
    std::optional<std::string> value = parser.getKeyValue(c.name);
    if (!value) {
      if (c.optional) continue;
      throw KeyListError(std::string("The key list has no capability ") + c.name);
    }
    this->*c.field = *value;
    table[c.name] = *value;
  }
  if (!table.count("kf11")) KF11.clear();
  termKeysHash = std::move(table);
  UP_ARROW = KCUU1;
  DOWN_ARROW = KCUD1;
  RIGHT_ARROW = KCUF1;
  LEFT_ARROW = KCUB1;
  return true;
}

bool EmulatorSettings::isFunctionKey(std::string_view text) const {
  for (int i = 1; i <= 11; ++i) {
    auto it = termKeysHash.find("kf" + std::to_string(i));
    if (it != termKeysHash.end() && it->second == text) return true;
  }
  return false;
}

bool EmulatorSettings::isArrowKey(std::string_view text) const {
  return text == KCUU1 || text == KCUD1 || text == KCUF1 || text == KCUB1;
}

bool EmulatorSettings::isBackSpaceKey(std::string_view text) const {
  return text.find('\b') != std::string_view::npos;
}

std::optional<std::string> EmulatorSettings::capability(std::string_view name) const {
  auto it = termKeysHash.find(name);
  if (it == termKeysHash.end()) return std::nullopt;
  return it->second;
}

}  // namespace tev
