#include "terminal/selection_list.h"

#include <algorithm>

namespace tev {

ListGeometry ListGeometry::of(int firstRow, int firstColumn, int lastRow, int lastColumn, int linesPerDisplay,
                              int dataColumns) {
  // The values come from definition files: bounded first, so no sum or product below can overflow.
  auto onScreen = [](int value) { return std::clamp(value, -kMaxScreenSize, kMaxScreenSize); };
  ListGeometry g;
  g.firstRow = onScreen(firstRow);
  g.firstColumn = onScreen(firstColumn);
  g.lastRow = onScreen(lastRow);
  g.lastColumn = onScreen(lastColumn);
  g.linesPerDisplay = std::clamp(linesPerDisplay, 1, kMaxScreenSize);
  g.dataColumns = std::clamp(dataColumns, 1, kMaxScreenSize);
  int windowRows = g.lastRow - g.firstRow + 1;
  g.pageRows = std::max(1, windowRows / g.linesPerDisplay);
  g.usedRows = g.pageRows * g.linesPerDisplay;
  g.cellWidth = std::max(1, (g.lastColumn - g.firstColumn + 1) / g.dataColumns);
  g.pageItems = g.pageRows * g.dataColumns;
  return g;
}

ListSelection::ListSelection(const ListGeometry& geometry, int itemCount)
    : geometry_(geometry), itemCount_(std::max(0, itemCount)) {}

int ListSelection::itemsOnPage() const {
  return std::clamp(itemCount_ - startElement, 0, geometry_.pageItems);
}

int ListSelection::itemsInSelectedRow() const {
  int rowStart = startElement + selElement * geometry_.dataColumns;
  return std::clamp(itemCount_ - rowStart, 0, geometry_.dataColumns);
}

void ListSelection::down() {
  ++selElement;
  if (selElement >= geometry_.pageRows || selected() >= itemCount_) {
    startElement += geometry_.pageItems;
    selElement = 0;
    if (startElement >= itemCount_) startElement = 0;
    if (selected() >= itemCount_) column = 0;
  }
}

void ListSelection::up() {
  --selElement;
  if (selElement >= 0) return;
  if (itemCount_ == 0) {
    startElement = selElement = column = 0;
    return;
  }
  if (startElement - geometry_.pageItems >= 0) {
    startElement -= geometry_.pageItems;
    selElement = geometry_.pageRows - 1;
    return;
  }
  // Before the first page: the last page, its last item selected.
  int last = itemCount_ - 1;
  startElement = (last / geometry_.pageItems) * geometry_.pageItems;
  selElement = (last - startElement) / geometry_.dataColumns;
  column = (last - startElement) % geometry_.dataColumns;
}

void ListSelection::right() {
  int count = itemsInSelectedRow();
  if (count > 0) column = (column + 1) % count;
}

void ListSelection::left() {
  int count = itemsInSelectedRow();
  if (count > 0) column = (column - 1 + count) % count;
}

bool ListSelection::selectOnPage(long long n) {
  if (n < 1 || n > itemsOnPage()) return false;
  int k = static_cast<int>(n - 1);
  selElement = k / geometry_.dataColumns;
  column = k % geometry_.dataColumns;
  return true;
}

}  // namespace tev
