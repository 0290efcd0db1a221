// Reading text lines from a descriptor (a socket or a pipe) and splitting text into lines.
//
// Line terminators: CR, LF and CR LF each end exactly one line. A CR that arrives at the end of one read is
// returned as the end of its line at once (an interactive peer may send CR alone); when the next byte
// turns out to be LF, that LF is skipped as the second half of the same terminator, however long it took
// to arrive.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace tev {

// A peer sent more than the allowed number of bytes without ending the line.
class LineTooLong : public Error {
 public:
  using Error::Error;
};

struct LineResult {
  enum class Status { kLine, kEnd, kTimeout };
  Status status = Status::kEnd;
  std::string line;  // the line without its terminator, when status == kLine

  bool isLine() const { return status == Status::kLine; }
  bool end() const { return status == Status::kEnd; }
  bool timedOut() const { return status == Status::kTimeout; }
};

// Buffered line reader over a descriptor it does not own (the caller keeps the Fd, e.g. to write replies
// on the same socket). One reader per descriptor: bytes it has buffered are not seen by anyone else.
class LineReader {
 public:
  static constexpr std::size_t kDefaultMaxLineLength = 1024 * 1024;

  explicit LineReader(int fd, std::size_t maxLineLength = kDefaultMaxLineLength);

  // The next line, waiting up to timeout in total (kNoTimeout: no limit) for it to be complete.
  //  - kLine: a terminated line, or at end of stream the final unterminated (non-empty) line;
  //  - kEnd: end of stream and nothing left; every later call reports kEnd again;
  //  - kTimeout: no complete line in time; the bytes received so far stay buffered for the next call.
  // A line longer than maxLineLength bytes throws LineTooLong; the reader then stays failed (every later call
  // throws the same) because the rest of that stream cannot be framed reliably. Read errors throw
  // tev::Error.
  LineResult readLine(std::chrono::milliseconds timeout);

  // Bytes received but not yet returned as lines (for callers that poll the descriptor themselves).
  std::size_t buffered() const { return buffer_.size() - start_; }

 private:
  // Takes a complete line from the buffer if there is one.
  bool takeLine(std::string& line);
  void compact();

  int fd_;
  std::size_t maxLineLength_;
  std::string buffer_;
  std::size_t start_ = 0;    // first byte not yet returned
  std::size_t scanned_ = 0;  // bytes from start_ already known to hold no terminator
  bool skipLf_ = false;      // the last line ended with CR: a leading LF belongs to that terminator
  bool end_ = false;         // end of stream seen
  bool failed_ = false;
};

// Splits text into lines by the same rules: CR, LF and CR LF each end a line; a final unterminated line is
// included; text ending with a terminator has no empty last line; "" has no lines.
std::vector<std::string> splitLines(std::string_view text);

}  // namespace tev
