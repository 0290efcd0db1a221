#include "common/line_reader.h"

#include "common/fd.h"

namespace tev {

namespace {
constexpr std::size_t kReadChunk = 16 * 1024;
}

LineReader::LineReader(int fd, std::size_t maxLineLength) : fd_(fd), maxLineLength_(maxLineLength) {}

bool LineReader::takeLine(std::string& line) {
  if (skipLf_ && start_ < buffer_.size()) {
    skipLf_ = false;
    if (buffer_[start_] == '\n') ++start_;
  }
  std::size_t at = buffer_.find_first_of("\r\n", start_ + scanned_);
  if (at == std::string::npos) {
    scanned_ = buffer_.size() - start_;
    return false;
  }
  line.assign(buffer_, start_, at - start_);
  if (buffer_[at] == '\r') {
    if (at + 1 < buffer_.size()) {
      if (buffer_[at + 1] == '\n') ++at;
    } else {
      skipLf_ = true;  // the LF, if any, has not arrived yet
    }
  }
  start_ = at + 1;
  scanned_ = 0;
  return true;
}

void LineReader::compact() {
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
}

LineResult LineReader::readLine(std::chrono::milliseconds timeout) {
  const std::string tooLong = "line longer than " + std::to_string(maxLineLength_) + " bytes";
  if (failed_) throw LineTooLong(tooLong);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  LineResult result;
  for (;;) {
    if (takeLine(result.line)) {
      if (result.line.size() > maxLineLength_) {
        failed_ = true;
        throw LineTooLong(tooLong);
      }
      compact();
      result.status = LineResult::Status::kLine;
      return result;
    }
    if (buffered() > maxLineLength_) {
      failed_ = true;
      buffer_.clear();
      start_ = scanned_ = 0;
      throw LineTooLong(tooLong);
    }
    if (end_) {
      if (buffered() == 0) return LineResult{LineResult::Status::kEnd, {}};
      result.line.assign(buffer_, start_);
      buffer_.clear();
      start_ = scanned_ = 0;
      result.status = LineResult::Status::kLine;
      return result;
    }

    compact();
    std::chrono::milliseconds left = timeout;
    if (timeout.count() >= 0) {
      auto now = std::chrono::steady_clock::now();
      left = now >= deadline ? std::chrono::milliseconds(0)
                             : std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    }
    char chunk[kReadChunk];
    ReadResult got = readSome(fd_, chunk, sizeof chunk, left);
    buffer_.append(chunk, got.bytes);
    if (got.end()) end_ = true;
    if (got.timedOut()) return LineResult{LineResult::Status::kTimeout, {}};
  }
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t at = text.find_first_of("\r\n", start);
    if (at == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, at - start));
    if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    start = at + 1;
  }
  return lines;
}

}  // namespace tev
