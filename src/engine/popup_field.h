// PopupField: a field whose value is picked from a list (values shown, lineValues taken). It reads typed or
// scanned input like a plain field; showList (F4 or F6 in the field) shows the list on a cleared screen and
// sets the value from the pick.
//
// Leaving the list is navigation, reported as SkipException with the skip key PopupField::kSkipKey: escape
// in the list ("Escape from Show List"), an empty list on the form's last input field, and a pick on the
// form's last input field ("Last Field, escape Skip Exception").
#pragma once

#include <string>

#include "engine/field.h"

namespace tev {

class PopupField : public Field {
 public:
  // The skip key of every SkipException raised by the list.
  static inline const std::string kSkipKey = "VAVInterface.settings.ESC";
  static inline const std::string kLastFieldSkip = "Last Field, escape Skip Exception";
  static inline const std::string kEscapeSkip = "Escape from Show List";

  PopupField() = default;

  std::string readInput(TerminalEmulator& terminal, Form& form) override;
  // Returns the key that ended the list ("" when the list is empty and the field is not the last input
  // field); the form is drawn again after a pick.
  std::string showList(TerminalEmulator& terminal, Form& form) override;
};

}  // namespace tev
