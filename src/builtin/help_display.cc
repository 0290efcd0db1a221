#include "builtin/help_display.h"

#include <exception>
#include <optional>

#include "common/java_text.h"
#include "config/help_manager.h"
#include "config/vrc_parser.h"
#include "engine/user_data.h"
#include "session/vav_interface.h"
#include "terminal/terminal_emulator.h"

namespace tev::builtin {
namespace {

std::optional<std::string> sharedText(TransactionLogic& logic, const std::string& id) {
  try {
    return logic.getSharedString(id);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

HelpDisplay::HelpDisplay() : currentLogger(log::get(LOGGER_NAME)) {}

ClassDescriptor HelpDisplay::describe() {
  return ClassDef<HelpDisplay>(CLASS_NAME, ClassRegistry::kTransactionLogic)
      .TEV_HANDLER(HelpDisplay, help_display_form_enter)
      .done();
}

std::vector<std::string> HelpDisplay::wrap(const std::string& text, int width) {
  if (width < 1) width = 1;
  std::vector<std::string> lines;
  std::string line;
  for (std::string word : split(trim(text), "\\s+")) {
    if (word.empty()) continue;
    while (charLength(word) > width) {
      if (!line.empty()) lines.push_back(std::exchange(line, std::string()));
      lines.push_back(charSubstr(word, 0, width));
      word = charSubstr(word, width);
    }
    if (line.empty())
      line = word;
    else if (charLength(line) + 1 + charLength(word) <= width)
      line += " " + word;
    else
      lines.push_back(std::exchange(line, word));
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void HelpDisplay::help_display_form_enter() {
  currentLogger->info(" Help Display Form Enter fired ..");
  std::optional<std::string> transactionId = sharedText(*this, "TransactionId");
  std::optional<std::string> formId = sharedText(*this, "FormId");
  std::vector<std::string> lines;
  if (transactionId && formId && VAVInterface::vrcParser != nullptr) {
    std::string language = userData ? userData->getLanguage().value_or("english") : std::string("english");
    std::optional<std::string> path =
        VAVInterface::vrcParser->getHelpXMLFilePath(*transactionId + "Help.xml", language);
    HelpManager help;
    if (path && help.initialize(*path)) {
      if (help::FormType* form = help.getFormHelp(*formId, *transactionId)) {
        lines = wrap(form->getMainHelp().value_or(""), terminal().getColumns());
        if (lines.empty()) lines = {""};
      }
    }
  }
  if (lines.empty()) lines = {" Help File not found for " + nullText(transactionId)};
  setValue("help_list", lines);
}

}  // namespace tev::builtin
