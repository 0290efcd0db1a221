#include "sim/standard_key_list.h"

#include "terminal/term_key_parser.h"

namespace tev::sim {

const std::string& standardKeyListText() {
  static const std::string text =
      "kcuf1=\x1b[C\n"
      "kcub1=\x1b[D\n"
      "kcud1=\x1b[B\n"
      "kcuu1=\x1b[A\n"
      "khome=\x1b[1~\n"
      "kend=\x1b[4~\n"
      "kich1=\x1b[2~\n"
      "clear=\x1b[H\x1b[2J\n"
      "el=\x1b[K\n"
      "smul=\x1b[4m\n"
      "bold=\x1b[1m\n"
      "rev=\x1b[7m\n"
      "blink=\x1b[5m\n"
      "invis=\x1b[8m\n"
      "sgr0=\x1b[0m\n"
      "bel=\x07\n"
      "smacs=\x1b(0\n"
      "rmacs=\x1b(B\n"
      "kf1=\x1bOP\n"
      "kf2=\x1bOQ\n"
      "kf3=\x1bOR\n"
      "kf4=\x1bOS\n"
      "kf5=\x1b[15~\n"
      "kf6=\x1b[17~\n"
      "kf7=\x1b[18~\n"
      "kf8=\x1b[19~\n"
      "kf9=\x1b[20~\n"
      "kf10=\x1b[21~\n"
      "kf11=\x1b[23~\n"
      "kf15=\x1b[28~\n";
  return text;
}

EmulatorSettings standardSettings() {
  TermKeyParser parser;
  parser.loadText(standardKeyListText(), "standard key list");
  return parser.getEmulatorSettings();
}

}  // namespace tev::sim
