// ScreenModel: what a scanner's character screen shows after a stream of terminal output.
//
// It interprets the byte stream the terminal writes: cursor addressing (ESC "[" row ";" column "H", and
// ESC "[H" for home), the capability strings of the scanner's key list (clear, erase to end of line, the
// video attributes and their reset, the alternate character set), the bell (0x07), CR, LF and backspace, and
// UTF-8 text, one character per cell. It behaves like a VT100-class terminal: addressing outside the screen
// is clamped to it; text that reaches the last column wraps to the next row when the next character comes,
// and a wrap or line feed below the last row scrolls the screen up. Bytes it does not understand are kept in
// unknownSequences() (a test can assert that there are none) and otherwise ignored.
//
// Output may be fed in pieces of any size: a sequence or character cut between two feeds is completed by the
// next one.
//
// Rows and columns are 1-based, as on the scanner.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tev {
class EmulatorSettings;
}

namespace tev::sim {

// Video attributes of a cell; a cell holds any combination.
enum Attribute : unsigned {
  kBold = 1u << 0,
  kUnderline = 1u << 1,
  kReverse = 1u << 2,
  kBlink = 1u << 3,
  kInvisible = 1u << 4,
};

struct Cell {
  std::string ch = " ";     // one character, UTF-8
  unsigned attributes = 0;  // Attribute bits
};

// The capability strings the model recognises (empty strings are ignored).
struct Capabilities {
  std::string clear, el, smul, bold, rev, blink, invis, sgr0, smacs, rmacs;

  // The strings of the standard key list (standard_key_list.h): xterm / VT100 sequences.
  static Capabilities standard();
  // The strings of a scanner model's settings.
  static Capabilities from(const EmulatorSettings& settings);
};

class ScreenModel {
 public:
  explicit ScreenModel(int rows = 16, int columns = 20, Capabilities capabilities = Capabilities::standard());

  // Interprets more output.
  void feed(std::string_view bytes);

  int rows() const { return rows_; }
  int columns() const { return columns_; }

  // The row's characters, full width (blank cells as blanks).
  std::string text(int row) const;
  // The row's characters without trailing blanks.
  std::string line(int row) const;
  // Every row as line() gives it, top to bottom.
  std::vector<std::string> lines() const;
  // The row's characters that carry the attribute, the others as blanks, without trailing blanks: the
  // reverse-video part of an error line or of a list's selected item.
  std::string attributed(int row, Attribute attribute) const;
  const Cell& cell(int row, int column) const;
  bool has(int row, int column, Attribute attribute) const;
  // Some row holds the text (within the row; texts wrapped over two rows are not found).
  bool contains(std::string_view text) const;
  // The first row (1-based) whose line() holds the text, or 0.
  int findRow(std::string_view text) const;

  int cursorRow() const { return cursorRow_; }
  int cursorColumn() const { return cursorColumn_; }
  // The attributes that text written now would get.
  unsigned currentAttributes() const { return attributes_; }
  int bells() const { return bells_; }
  int clears() const { return clears_; }
  // Escape sequences and control bytes that were not understood, in order.
  const std::vector<std::string>& unknownSequences() const { return unknown_; }

  // The screen framed for a failure message; reverse-video cells are underlined with '^' on the line below.
  std::string dump() const;

 private:
  enum class Match { kNone, kPartial, kDone };
  // Tries to interpret something at the start of the pending bytes; kPartial: wait for more.
  Match interpretOne(std::string_view bytes, std::size_t& used);
  Match matchCapability(std::string_view bytes, std::size_t& used);
  Match matchCursor(std::string_view bytes, std::size_t& used);
  void put(std::string ch);
  void lineFeed();
  void scrollUp();
  void eraseToEndOfLine();
  void clearScreen();
  Cell& at(int row, int column);

  int rows_;
  int columns_;
  Capabilities caps_;
  std::vector<Cell> cells_;
  int cursorRow_ = 1;
  int cursorColumn_ = 1;
  bool wrapPending_ = false;
  unsigned attributes_ = 0;
  bool alternateCharset_ = false;
  int bells_ = 0;
  int clears_ = 0;
  std::string pending_;
  std::vector<std::string> unknown_;
};

}  // namespace tev::sim
