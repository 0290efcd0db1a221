#include "gateway/router_connection.h"

#include <sys/socket.h>

#include "common/error.h"
#include "common/tcp.h"
#include "gateway/gateway_errors.h"

namespace tev {
namespace {

constexpr std::size_t kReadChunk = 4096;

// The byte length of the first maxChars UTF-8 characters of text (all of it when it has fewer).
std::size_t prefixBytes(std::string_view text, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) {
      if (chars == maxChars) return i;
      ++chars;
    }
  }
  return text.size();
}

}  // namespace

RouterConnection::RouterConnection(const std::string& host, int port,
                                   const std::optional<std::string>& charset,
                                   std::chrono::milliseconds connectTimeout)
    : decoder_(charset.value_or("")) {
  if (port < 0 || port > 65535) throw Error("port out of range:" + std::to_string(port));
  fd_ = tcpConnect(host, port, connectTimeout);
  try {
    setTcpNoDelay(fd_.get());
  } catch (const Error&) {
    // Only a latency optimisation.
  }
  description_ = host + ":" + std::to_string(port);
  try {
    description_ += " (" + peerAddress(fd_.get()) + ")";
  } catch (const Error&) {
  }
}

void RouterConnection::writeLine(std::string_view line) {
  std::string bytes;
  bytes.reserve(line.size() + 2);
  bytes += line;
  bytes += "\r\n";
  try {
    writeAll(fd_.get(), bytes);
  } catch (const RouterIoError&) {
    throw;
  } catch (const Error& e) {
    throw RouterIoError(e.getMessage());
  }
}

bool RouterConnection::fill(std::chrono::milliseconds timeout) {
  if (end_) return false;
  char chunk[kReadChunk];
  ReadResult result;
  try {
    result = readSome(fd_.get(), chunk, sizeof chunk, timeout);
  } catch (const Error& e) {
    throw RouterIoError(e.getMessage());
  }
  if (result.end()) {
    end_ = true;
    buffer_ += decoder_.finish();
    return false;
  }
  if (result.data()) buffer_ += decoder_.decode(std::string_view(chunk, result.bytes));
  return true;
}

void RouterConnection::skipPendingLf() {
  if (!skipLf_ || buffer_.empty()) return;
  if (buffer_.front() == '\n') {
    buffer_.erase(0, 1);
    if (scanned_ > 0) --scanned_;
  }
  skipLf_ = false;
}

std::string RouterConnection::readLine() {
  while (true) {
    skipPendingLf();
    const std::size_t at = buffer_.find_first_of("\r\n", scanned_);
    if (at != std::string::npos) {
      std::string line = buffer_.substr(0, at);
      std::size_t used = at + 1;
      if (buffer_[at] == '\r') {
        if (used < buffer_.size()) {
          if (buffer_[used] == '\n') ++used;
        } else {
          skipLf_ = true;  // the LF may still be on its way
        }
      }
      buffer_.erase(0, used);
      scanned_ = 0;
      return line;
    }
    scanned_ = buffer_.size();
    if (buffer_.size() > kMaxLineLength)
      throw RouterIoError("reply line longer than " + std::to_string(kMaxLineLength) + " characters");
    if (!fill(kNoTimeout)) {
      if (buffer_.empty()) throw RouterIoError("connection closed by the router");
      std::string line = std::move(buffer_);
      buffer_.clear();
      scanned_ = 0;
      return line;
    }
  }
}

std::string RouterConnection::takeLeftOver(std::size_t maxChars) {
  skipPendingLf();
  if (buffer_.empty()) {
    fill(std::chrono::milliseconds(0));
    skipPendingLf();
  }
  const std::size_t bytes = prefixBytes(buffer_, maxChars);
  std::string taken = buffer_.substr(0, bytes);
  buffer_.erase(0, bytes);
  scanned_ = 0;
  return taken;
}

}  // namespace tev
