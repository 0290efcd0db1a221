// The geometry and the moving selection of a scrolling selection list (drawn by
// TerminalEmulator::displayList), kept apart from the drawing so the paging rules stand on their own.
//
// A window of rows firstRow..lastRow and columns firstColumn..lastColumn shows items of L lines
// (linesPerDisplay) in C cells per row (noOfDataColumns). Of the window's rows only R, the largest multiple
// of L not above their count, are used; a page has P = R / L rows of items and holds I = P x C items; a cell
// is W / C characters wide. Cells fill the page row by row, left to right.
//
// The selection is the page's first item (startElement), the row of items on the page (selElement, 0-based)
// and the column (0-based); the selected item is startElement + selElement x C + column. A page always starts
// at a multiple of I, and the drawing and the moves use the same page, also with several columns.
#pragma once

namespace tev {

struct ListGeometry {
  int firstRow = 1;
  int firstColumn = 1;
  int lastRow = 1;
  int lastColumn = 1;
  int linesPerDisplay = 1;  // L
  int dataColumns = 1;      // C
  int usedRows = 1;         // R
  int cellWidth = 1;        // W / C
  int pageRows = 1;         // P
  int pageItems = 1;        // I

  // No screen is larger: rows and columns beyond it either way are taken as +-kMaxScreenSize, lines per item
  // and items per row above it as kMaxScreenSize (so a page's arithmetic never overflows).
  static constexpr int kMaxScreenSize = 500;

  // A window too small for one item, or a count below 1, is taken as one item row, one line and one
  // column of at least one character, so a list always has a page to show. Values out of range: see
  // kMaxScreenSize.
  static ListGeometry of(int firstRow, int firstColumn, int lastRow, int lastColumn, int linesPerDisplay,
                         int dataColumns);

  // Screen row and column of the first line of the k-th item of a page (k from 0).
  int itemRow(int k) const { return firstRow + (k / dataColumns) * linesPerDisplay; }
  int itemColumn(int k) const { return firstColumn + (k % dataColumns) * cellWidth; }
};

class ListSelection {
 public:
  ListSelection(const ListGeometry& geometry, int itemCount);

  int startElement = 0;
  int selElement = 0;
  int column = 0;

  int selected() const { return startElement + selElement * geometry_.dataColumns + column; }
  // Items on the page shown (fewer than I on the last page).
  int itemsOnPage() const;

  // Down arrow: the next row of items; past the page, or onto an item that does not exist, the next page
  // (column kept), and after the last page the first.
  void down();
  // Up arrow: the row above; above the page's first row the previous page with its last row selected, and
  // before the first page the last page with the last item selected.
  void up();
  // Right and left arrows: the next or previous column among the items of the selected row, wrapping.
  void right();
  void left();
  // The operator typed n, counted from 1 at the page's first item: selects that item and returns true; a
  // number naming no item of the page leaves the selection as it is and returns false.
  bool selectOnPage(long long n);

 private:
  int itemsInSelectedRow() const;

  ListGeometry geometry_;
  int itemCount_;
};

}  // namespace tev
