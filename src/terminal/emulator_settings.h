// EmulatorSettings: the strings of one scanner model that the system uses, picked out of its key list (see
// TermKeyParser): the key codes of the arrow and function keys and the capability strings for clearing,
// erasing and video attributes. It also tells whether a received chunk is a function key, an arrow key or a
// backspace. The terminal screen and the transaction processor read it; the daemon takes the clear string
// from it for a broadcast.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tev {

class TermKeyParser;

class EmulatorSettings {
 public:
  // Fixed strings.
  std::string ESC = "\x1b";
  std::string ENTER = "\r";
  std::string BACKSPACE = "\b";
  // Copies of KCUU1, KCUD1, KCUF1 and KCUB1.
  std::string UP_ARROW, DOWN_ARROW, RIGHT_ARROW, LEFT_ARROW;
  // The capabilities, in the order they are read from the key list (KF41 holds "kf15").
  std::string KCUF1, KCUB1, KCUD1, KCUU1, KHOME, KEND, KICH1, CLEAR, EL, SMUL, BOLD, REV, BLINK, INVISIBLE,
      SGR0, BEL, SMACS, RMACS, KF1, KF2, KF3, KF4, KF5, KF41, KF6, KF7, KF8, KF9, KF10, KF11;
  // Capability name -> string, for every capability read (a missing "kf11" is not recorded).
  std::map<std::string, std::string, std::less<>> termKeysHash;

  // Takes every capability from the parser. Every capability except "kf11" must be present; a missing one
  // throws KeyListError ("The key list has no capability sgr0"). Returns true.
  bool initialize(const TermKeyParser& parser);

  // The text equals the string of one of kf1 ... kf11 (kf15 does not count).
  bool isFunctionKey(std::string_view text) const;
  // The text equals one of the four arrow keys.
  bool isArrowKey(std::string_view text) const;
  // The text holds the backspace character anywhere.
  bool isBackSpaceKey(std::string_view text) const;

  // The recorded string of a capability name ("kf3"); nothing when it was not recorded.
  std::optional<std::string> capability(std::string_view name) const;
};

}  // namespace tev
