#include "sim/screen_model.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "sim/standard_key_list.h"
#include "terminal/emulator_settings.h"

namespace tev::sim {
namespace {

constexpr char kEsc = '\x1b';
const char kReplacement[] = "\xEF\xBF\xBD";

std::string describeByte(unsigned char byte) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02X", byte);
  return buf;
}

}  // namespace

Capabilities Capabilities::standard() {
  static const Capabilities caps = from(standardSettings());
  return caps;
}

Capabilities Capabilities::from(const EmulatorSettings& s) {
  Capabilities c;
  c.clear = s.CLEAR;
  c.el = s.EL;
  c.smul = s.SMUL;
  c.bold = s.BOLD;
  c.rev = s.REV;
  c.blink = s.BLINK;
  c.invis = s.INVISIBLE;
  c.sgr0 = s.SGR0;
  c.smacs = s.SMACS;
  c.rmacs = s.RMACS;
  return c;
}

ScreenModel::ScreenModel(int rows, int columns, Capabilities capabilities)
    : rows_(std::max(1, rows)),
      columns_(std::max(1, columns)),
      caps_(std::move(capabilities)),
      cells_(static_cast<std::size_t>(rows_ * columns_)) {}

Cell& ScreenModel::at(int row, int column) {
  return cells_[static_cast<std::size_t>((row - 1) * columns_ + (column - 1))];
}

const Cell& ScreenModel::cell(int row, int column) const {
  if (row < 1 || row > rows_ || column < 1 || column > columns_) {
    throw std::out_of_range("no cell at row " + std::to_string(row) + ", column " + std::to_string(column));
  }
  return cells_[static_cast<std::size_t>((row - 1) * columns_ + (column - 1))];
}

bool ScreenModel::has(int row, int column, Attribute attribute) const {
  return (cell(row, column).attributes & attribute) != 0;
}

std::string ScreenModel::text(int row) const {
  std::string out;
  for (int c = 1; c <= columns_; ++c) out += cell(row, c).ch;
  return out;
}

std::string ScreenModel::line(int row) const {
  std::string out = text(row);
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

std::vector<std::string> ScreenModel::lines() const {
  std::vector<std::string> out;
  for (int r = 1; r <= rows_; ++r) out.push_back(line(r));
  return out;
}

std::string ScreenModel::attributed(int row, Attribute attribute) const {
  std::string out;
  for (int c = 1; c <= columns_; ++c) {
    const Cell& cl = cell(row, c);
    out += (cl.attributes & attribute) ? cl.ch : " ";
  }
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

bool ScreenModel::contains(std::string_view needle) const {
  return findRow(needle) != 0;
}

int ScreenModel::findRow(std::string_view needle) const {
  for (int r = 1; r <= rows_; ++r) {
    if (text(r).find(needle) != std::string::npos) return r;
  }
  return 0;
}

std::string ScreenModel::dump() const {
  std::string out;
  for (int r = 1; r <= rows_; ++r) {
    char number[16];
    std::snprintf(number, sizeof number, "%2d |", r);
    out += number + text(r) + "|\n";
    std::string marks;
    bool any = false;
    for (int c = 1; c <= columns_; ++c) {
      bool reverse = has(r, c, kReverse);
      any = any || reverse;
      marks += reverse ? '^' : ' ';
    }
    if (any) out += "    " + marks + "\n";
  }
  out += "cursor at " + std::to_string(cursorRow_) + ";" + std::to_string(cursorColumn_) + "\n";
  return out;
}

void ScreenModel::feed(std::string_view bytes) {
  pending_.append(bytes);
  std::size_t pos = 0;
  while (pos < pending_.size()) {
    std::size_t used = 0;
    Match m = interpretOne(std::string_view(pending_).substr(pos), used);
    if (m == Match::kPartial) break;
    pos += used;
  }
  pending_.erase(0, pos);
}

ScreenModel::Match ScreenModel::matchCapability(std::string_view bytes, std::size_t& used) {
  struct Entry {
    const std::string* text;
    int action;
  };
  const Entry entries[] = {{&caps_.clear, 0}, {&caps_.el, 1},    {&caps_.smul, 2},  {&caps_.bold, 3},
                           {&caps_.rev, 4},   {&caps_.blink, 5}, {&caps_.invis, 6}, {&caps_.sgr0, 7},
                           {&caps_.smacs, 8}, {&caps_.rmacs, 9}};
  const Entry* best = nullptr;
  for (const Entry& e : entries) {
    const std::string& t = *e.text;
    if (t.empty()) continue;
    if (bytes.size() < t.size()) {
      if (t.compare(0, bytes.size(), bytes) == 0) return Match::kPartial;
      continue;
    }
    if (bytes.compare(0, t.size(), t) == 0 && (!best || t.size() > best->text->size())) best = &e;
  }
  if (!best) return Match::kNone;
  used = best->text->size();
  wrapPending_ = false;
  switch (best->action) {
    case 0:
      clearScreen();
      break;
    case 1:
      eraseToEndOfLine();
      break;
    case 2:
      attributes_ |= kUnderline;
      break;
    case 3:
      attributes_ |= kBold;
      break;
    case 4:
      attributes_ |= kReverse;
      break;
    case 5:
      attributes_ |= kBlink;
      break;
    case 6:
      attributes_ |= kInvisible;
      break;
    case 7:
      attributes_ = 0;
      break;
    case 8:
      alternateCharset_ = true;
      break;
    case 9:
      alternateCharset_ = false;
      break;
  }
  return Match::kDone;
}

ScreenModel::Match ScreenModel::matchCursor(std::string_view bytes, std::size_t& used) {
  // ESC "[" [row] [";" [column]] "H"
  if (bytes.size() < 2) return Match::kPartial;
  if (bytes[1] != '[') return Match::kNone;
  long values[2] = {0, 0};
  int field = 0;
  for (std::size_t i = 2; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c >= '0' && c <= '9') {
      values[field] = std::min(values[field] * 10 + (c - '0'), 1000000L);
    } else if (c == ';' && field == 0) {
      field = 1;
    } else if (c == 'H') {
      used = i + 1;
      cursorRow_ = static_cast<int>(std::clamp(values[0], 1L, static_cast<long>(rows_)));
      cursorColumn_ = static_cast<int>(std::clamp(values[1], 1L, static_cast<long>(columns_)));
      wrapPending_ = false;
      return Match::kDone;
    } else {
      return Match::kNone;
    }
  }
  return Match::kPartial;
}

ScreenModel::Match ScreenModel::interpretOne(std::string_view bytes, std::size_t& used) {
  Match m = matchCapability(bytes, used);
  if (m != Match::kNone) return m;
  auto byte = static_cast<unsigned char>(bytes[0]);
  if (byte == kEsc) {
    m = matchCursor(bytes, used);
    if (m != Match::kNone) return m;
    used = std::min<std::size_t>(2, bytes.size());
    unknown_.push_back("\\x1B" + std::string(bytes.substr(1, used - 1)));
    return Match::kDone;
  }
  used = 1;
  if (byte == 0x07) {
    ++bells_;
  } else if (byte == '\r') {
    cursorColumn_ = 1;
    wrapPending_ = false;
  } else if (byte == '\n') {
    lineFeed();
  } else if (byte == '\b') {
    cursorColumn_ = std::max(1, cursorColumn_ - 1);
    wrapPending_ = false;
  } else if (byte < 0x20 || byte == 0x7F) {
    unknown_.push_back(describeByte(byte));
  } else if (byte < 0x80) {
    put(std::string(1, static_cast<char>(byte)));
  } else {
    std::size_t length = byte >= 0xF0 && byte <= 0xF7 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    if (byte >= 0xF8) length = 1;
    if (length > 1) {
      if (bytes.size() < length) {
        bool prefixOk = true;
        for (std::size_t i = 1; i < bytes.size(); ++i) {
          prefixOk = prefixOk && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80;
        }
        if (prefixOk) return Match::kPartial;
        length = 1;
      } else {
        for (std::size_t i = 1; i < length; ++i) {
          if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) length = 1;
        }
      }
    }
    used = length;
    put(length == 1 ? std::string(kReplacement) : std::string(bytes.substr(0, length)));
  }
  return Match::kDone;
}

void ScreenModel::put(std::string ch) {
  if (wrapPending_) {
    wrapPending_ = false;
    cursorColumn_ = 1;
    lineFeed();
  }
  Cell& c = at(cursorRow_, cursorColumn_);
  c.ch = std::move(ch);
  c.attributes = attributes_;
  if (cursorColumn_ == columns_) {
    wrapPending_ = true;
  } else {
    ++cursorColumn_;
  }
}

void ScreenModel::lineFeed() {
  wrapPending_ = false;
  if (cursorRow_ == rows_) {
    scrollUp();
  } else {
    ++cursorRow_;
  }
}

void ScreenModel::scrollUp() {
  std::move(cells_.begin() + columns_, cells_.end(), cells_.begin());
  std::fill(cells_.end() - columns_, cells_.end(), Cell{});
}

void ScreenModel::eraseToEndOfLine() {
  for (int c = cursorColumn_; c <= columns_; ++c) at(cursorRow_, c) = Cell{};
}

void ScreenModel::clearScreen() {
  std::fill(cells_.begin(), cells_.end(), Cell{});
  cursorRow_ = cursorColumn_ = 1;
  ++clears_;
}

}  // namespace tev::sim
