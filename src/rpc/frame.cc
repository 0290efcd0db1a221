#include "rpc/frame.h"

#include <cstdint>

#include "rpc/rpc_error.h"

namespace tev::rpc {

namespace {

// True when the arrays and objects of the JSON text nest deeper than kMaxNesting. Brackets inside strings
// do not count. Checked before parsing, so hostile nesting never reaches the parser.
bool nestsTooDeep(std::string_view text) {
  int depth = 0;
  bool inString = false;
  bool escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

}  // namespace

std::string encodeFrame(const Json& message, std::size_t maxSize) {
  if (!message.is_object()) throw ProtocolError("cannot send a message that is not a JSON object");
  std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (body.size() > maxSize) {
    throw ProtocolError("cannot send a message of " + std::to_string(body.size()) + " bytes (limit " +
                        std::to_string(maxSize) + ")");
  }
  const auto size = static_cast<std::uint32_t>(body.size());
  std::string frame;
  frame.reserve(kFrameHeaderSize + body.size());
  frame.push_back(static_cast<char>((size >> 24) & 0xff));
  frame.push_back(static_cast<char>((size >> 16) & 0xff));
  frame.push_back(static_cast<char>((size >> 8) & 0xff));
  frame.push_back(static_cast<char>(size & 0xff));
  frame += body;
  return frame;
}

Json decodeFrameBody(std::string_view body) {
  if (body.empty()) throw ProtocolError("bad frame: empty body");
  if (nestsTooDeep(body)) {
    throw ProtocolError("bad frame: JSON nested deeper than " + std::to_string(kMaxNesting) + " levels");
  }
  Json message = Json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
  if (message.is_discarded()) throw ProtocolError("bad frame: body is not valid JSON");
  if (!message.is_object()) throw ProtocolError("bad frame: body is not a JSON object");
  return message;
}

std::optional<Json> FrameReader::next() {
  if (broken_) throw ProtocolError(*broken_);
  if (buffer_.size() < kFrameHeaderSize) return std::nullopt;
  std::uint32_t size = 0;
  for (std::size_t i = 0; i < kFrameHeaderSize; ++i) {
    size = (size << 8) | static_cast<unsigned char>(buffer_[i]);
  }
  try {
    if (size > maxSize_) {
      throw ProtocolError("bad frame: length " + std::to_string(size) + " exceeds the limit of " +
                          std::to_string(maxSize_) + " bytes");
    }
    if (buffer_.size() - kFrameHeaderSize < size) return std::nullopt;
    Json message = decodeFrameBody(std::string_view(buffer_).substr(kFrameHeaderSize, size));
    buffer_.erase(0, kFrameHeaderSize + size);
    return message;
  } catch (const ProtocolError& e) {
    broken_ = e.what();
    buffer_.clear();
    throw;
  }
}

}  // namespace tev::rpc
