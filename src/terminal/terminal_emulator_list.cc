// The scrolling selection list.
#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "terminal/selection_list.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

// The value as it fills its cell: padded with blanks, or cut, to cell width x lines characters.
std::string cellText(const std::string& value, int length) {
  int have = charLength(value);
  if (have >= length) return charSubstr(value, 0, length);
  return value + std::string(static_cast<std::size_t>(length - have), ' ');
}

}  // namespace

std::string TerminalEmulator::displayList(const std::vector<std::string>& values, int firstRow,
                                          int firstColumn, int lastRow, int lastColumn, int linesPerDisplay) {
  return displayList(values, firstRow, firstColumn, lastRow, lastColumn, linesPerDisplay, 1);
}

void TerminalEmulator::drawListPage(const std::vector<std::string>& values, const ListGeometry& g,
                                    int selected) {
  const int count = static_cast<int>(values.size());
  const int width = g.cellWidth;
  for (int k = 0; k < g.pageItems; ++k) {
    const int index = startElement + k;
    const int row = g.itemRow(k);
    const int column = g.itemColumn(k);
    const int rowFirstItem = startElement + (k / g.dataColumns) * g.dataColumns;
    if (rowFirstItem >= count) {
      // A row of the page without items: cleared once, at its first cell.
      if (k % g.dataColumns == 0) {
        for (int line = 0; line < g.linesPerDisplay; ++line) clearLine(row + line, g.firstColumn);
      }
      continue;
    }
    const std::string text =
        cellText(index < count ? values[static_cast<std::size_t>(index)] : "", width * g.linesPerDisplay);
    // The lines are cut off the front one after the other, so an item of many lines costs its length once.
    // (width characters take at most 4 x width bytes.)
    std::string_view rest = text;
    for (int line = 0; line < g.linesPerDisplay; ++line) {
      std::string piece = charSubstr(rest.substr(0, 4 * static_cast<std::size_t>(width)), 0, width);
      rest.remove_prefix(piece.size());
      if (index == selected) {
        display(row + line, column, piece, "reverse");
      } else {
        display(row + line, column, piece);
      }
    }
  }
  for (int row = g.firstRow + g.usedRows; row <= g.lastRow; ++row) clearLine(row, g.firstColumn);
}

std::string TerminalEmulator::displayList(const std::vector<std::string>& values, int firstRow,
                                          int firstColumn, int lastRow, int lastColumn, int linesPerDisplay,
                                          int noOfDataColumns) {
  placeOfInvoke = "displayList";
  const ListGeometry g =
      ListGeometry::of(firstRow, firstColumn, lastRow, lastColumn, linesPerDisplay, noOfDataColumns);
  const int count = static_cast<int>(values.size());
  ListSelection selection(g, count);
  for (;;) {
    startElement = selection.startElement;
    selElement = selection.selElement;
    selColumn = selection.column;
    const int selected = selection.selected();
    drawListPage(values, g, selected);
    displayStatusMessage(std::to_string(selected + 1) + " of " + std::to_string(count));
    repositionCursor(g.itemRow(selected - startElement), g.itemColumn(selected - startElement));

    const std::string chunk = read();
    if (chunk == settings.ENTER) {
      input = std::to_string(selected);
      return settings.ENTER;
    }
    if (chunk == settings.ESC || chunk == settings.KF2 || chunk == settings.KF3 || chunk == settings.KF4) {
      input = std::to_string(selected);
      return chunk;
    }
    if (chunk == settings.KCUD1) {
      selection.down();
    } else if (chunk == settings.KCUU1) {
      selection.up();
    } else if (chunk == settings.KCUF1) {
      selection.right();
    } else if (chunk == settings.KCUB1) {
      selection.left();
    } else {
      std::optional<long long> typed;
      try {
        typed = parseLong(chunk);
      } catch (const NumberFormatError&) {
        // Not a number: the selection stays.
      }
      if (typed && selection.selectOnPage(*typed)) {
        std::string autoEnter =
            host ? host->getParamValue({"emulator_display_defaults", "auto_enter_on_menu"}) : "";
        if (equalsIgnoreCase(autoEnter, "yes")) {
          startElement = selection.startElement;
          selElement = selection.selElement;
          selColumn = selection.column;
          input = std::to_string(selection.selected());
          return settings.ENTER;
        }
      }
    }
    clearLine(rows, 1);
    clearLine(rows + 1, 1);
    clearLine(rows + 2, 1);
  }
}

}  // namespace tev
