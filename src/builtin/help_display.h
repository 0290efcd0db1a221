// HelpDisplay: shows the help text of the transaction and form it was called from (the shared variables
// "TransactionId" and "FormId" the caller set) as the lines of the list field help_list (form
// "help_display"). The help file is the caller's id + "Help.xml" in the user's language (English when that
// language has none); its text is broken into lines of the screen's width at blanks.
#pragma once

#include <string>
#include <vector>

#include "common/log.h"
#include "engine/class_registry.h"
#include "session/transaction_logic.h"

namespace tev::builtin {

class HelpDisplay : public TransactionLogic {
 public:
  static inline const std::string CLASS_NAME = ClassRegistry::kTransactionPackage + "HelpDisplay";
  static inline const std::string LOGGER_NAME = "tev.framework.application.FrameworkTransactionLogger";

  HelpDisplay();
  static ClassDescriptor describe();

  void help_display_form_enter();

  // The text as lines of at most width characters, broken at blanks (a longer word is cut); runs of white
  // space count as one blank.
  static std::vector<std::string> wrap(const std::string& text, int width);

  log::Logger currentLogger;
};

}  // namespace tev::builtin
