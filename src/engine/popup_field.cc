#include "engine/popup_field.h"

#include <algorithm>

#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "engine/form.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"

namespace tev {

namespace {

// Column that centres a text of this many characters on a screen of this width (never below 0).
int centred(int columns, int length) {
  return std::max(0, columns - length) / 2;
}

}  // namespace

std::string PopupField::readInput(TerminalEmulator& terminal, Form& form) {
  return Field::readInput(terminal, form);
}

std::string PopupField::showList(TerminalEmulator& terminal, Form& form) {
  std::string key;
  while (true) {
    selIndex = -1;
    if (values.empty()) {
      if (form.isLastField(*this)) throw SkipException(kLastFieldSkip, kSkipKey);
      return "";
    }
    int rows = 14;
    int columns = 20;
    if (const std::optional<DeviceInfo>& device = terminal.getDeviceInfo()) {
      rows = device->getDisplayRows();
      columns = device->getDisplayColumns();
    }
    terminal.clear();
    std::optional<std::string> title1 = getPopupTitle1();
    std::optional<std::string> title2 = getPopupTitle2();
    if (title1) terminal.display(1, centred(columns, charLength(*title1)), *title1);
    if (title2) terminal.display(2, centred(columns, charLength(*title2)), *title2);
    if (!title1 && !title2 && label)
      terminal.display(2, parseInt(col) + centred(columns, labelLength()), *label);

    logger->debug("Displaying popup list for field: " + id);
    int lastRow = rows == 16 ? 14 : rows - 1;
    key = terminal.displayList(values, 3, 1, lastRow, columns, parseInt(linesPerDisplay));
    if (key == terminal.getSettings().ESC) throw SkipException(kEscapeSkip, kSkipKey);

    if (!canAssignPopupValue()) {
      value = "";
      selIndex = terminal.getStartElement() + terminal.getSelElement();
      form.display(terminal);
      throw SkipException(kLastFieldSkip, kSkipKey);
    }

    value = terminal.getInput();
    int index;
    try {
      index = parseInt(value);
    } catch (const NumberFormatError&) {
      index = -1;
    }
    selIndex = index;
    if (index == -1) continue;
    if (index < 0 || static_cast<std::size_t>(index) >= lineValues.size()) {
      // A typed number that names no entry: the operator picks again.
      logger->debug("No line value at index " + std::to_string(index) + " for field: " + id);
      continue;
    }
    value = lineValues[static_cast<std::size_t>(index)];
    form.display(terminal);
    break;
  }
  if (form.isLastField(*this)) throw SkipException(kLastFieldSkip, kSkipKey);
  logger->debug(" retValue in popup field = " + key);
  return key;
}

}  // namespace tev
