// MultipleField: a list of values shown over several lines (noOfDataColumns values per row, linesPerDisplay
// lines per value). It draws nothing of its own; reading it shows the list at the field's position, and the
// value becomes the index of the picked line.
#pragma once

#include <string>

#include "engine/field.h"

namespace tev {

class MultipleField : public Field {
 public:
  MultipleField() = default;

  void display(TerminalEmulator& terminal) override;
  std::string readInput(TerminalEmulator& terminal, Form& form) override;
};

}  // namespace tev
