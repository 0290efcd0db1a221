// RouterConnection: one open TCP connection to the ERP router, carrying request lines out and reply lines
// back. Requests are written as UTF-8 text followed by CR LF in one write. Replies are decoded from the
// connection's character set (the platform default, UTF-8, when none is named) as they arrive, and split
// into lines at CR, LF or CR LF; a CR that ends one read and the LF that begins the next count as one line
// end. Reads block without a time-out: the router reports its own time-outs.
//
// Any failure of the connection (a write or read error, the end of the stream before a line, a line longer
// than kMaxLineLength characters) throws RouterIoError; the connection is then unusable and its owner
// closes it. The end of the stream after an unterminated line gives that line first.
//
// Used from one thread; the descriptor is owned and closed with the object.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/fd.h"
#include "terminal/text_codec.h"

namespace tev {

class RouterConnection {
 public:
  static constexpr std::size_t kMaxLineLength = 1024 * 1024;

  // Connects to host:port within the time-out. Throws tev::Error for a port outside 0 to 65535, a host
  // that cannot be resolved or reached, or a character set iconv does not know (the connection is then
  // closed at once).
  RouterConnection(const std::string& host, int port, const std::optional<std::string>& charset,
                   std::chrono::milliseconds connectTimeout);

  // Writes the line and its CR LF. Throws RouterIoError.
  void writeLine(std::string_view line);
  // The next reply line without its line end. Throws RouterIoError.
  std::string readLine();
  // Input that is ready now without waiting: what is buffered, or else what one non-blocking read brings,
  // at most maxChars characters of it (the rest stays for later). "" when nothing is ready. Throws
  // RouterIoError on a read error.
  std::string takeLeftOver(std::size_t maxChars);

  // "host:port (local address -> peer address)" for the log.
  const std::string& description() const { return description_; }

 private:
  // One blocking read into the buffer; false at the end of the stream.
  bool fill(std::chrono::milliseconds timeout);
  // Drops the LF that completes a CR line end seen at the end of the previous line.
  void skipPendingLf();

  Fd fd_;
  TextDecoder decoder_;
  std::string buffer_;       // decoded text not yet returned
  std::size_t scanned_ = 0;  // characters of buffer_ known to hold no line end
  bool skipLf_ = false;
  bool end_ = false;
  std::string description_;
};

}  // namespace tev
