#include "engine/multiple_field.h"

#include <algorithm>

#include "common/java_number.h"
#include "common/java_text.h"
#include "terminal/terminal_emulator.h"

namespace tev {

void MultipleField::display(TerminalEmulator& /*terminal*/) {}

std::string MultipleField::readInput(TerminalEmulator& terminal, Form& /*form*/) {
  int rows = 16;
  int columns = 20;
  if (const std::optional<DeviceInfo>& device = terminal.getDeviceInfo()) {
    rows = device->getDisplayRows();
    columns = device->getDisplayColumns();
  }
  // A count below 1 would divide by zero: it counts as 1.
  int lines = std::max(1, parseInt(linesPerDisplay));
  int width = columns;
  if (!values.empty() && lines != 1) width = charLength(values.front()) / lines;

  int firstRow = parseInt(row);
  int firstColumn = parseInt(col);
  terminal.setCursor(firstRow, firstColumn);
  logger->debug("Displaying list for field: " + id);
  logger->debug("Display lines per value: " + linesPerDisplay);
  int lastRow = rows >= 16 ? rows - 2 : rows - 1;
  std::string key =
      terminal.displayList(values, firstRow, firstColumn, lastRow, width, lines, parseInt(noOfDataColumns));
  value = terminal.getInput();
  return key;
}

}  // namespace tev
