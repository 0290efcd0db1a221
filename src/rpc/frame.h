// The wire form of every remote-call message: a frame is a 4-byte big-endian body length followed by the
// body, one JSON object in compact UTF-8 text. Requests are {"op": name, "args": [...]}, replies
// {"ok": result} or {"error": text}.
//
// Decoding never trusts the peer: a length above the limit, an empty body, text that is not JSON, JSON
// nested deeper than kMaxNesting or a body that is not an object is a ProtocolError, never a crash or an
// unbounded allocation.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tev::rpc {

using Json = nlohmann::json;

inline constexpr std::size_t kFrameHeaderSize = 4;
// Largest body accepted or sent (bytes).
inline constexpr std::size_t kMaxFrameSize = 16 * 1024 * 1024;
// Deepest nesting of arrays and objects accepted in a body.
inline constexpr int kMaxNesting = 64;

// One frame holding the message. Strings that are not valid UTF-8 are sent with U+FFFD in place of the
// bad bytes. Throws ProtocolError when the message is not an object or its body exceeds maxSize.
std::string encodeFrame(const Json& message, std::size_t maxSize = kMaxFrameSize);

// The message of one frame body. Throws ProtocolError (see above).
Json decodeFrameBody(std::string_view body);

// Splits a byte stream into messages. Bytes go in with feed() as they arrive; next() hands out each
// complete message in order. After a bad frame the stream cannot be trusted any more: next() throws the
// same ProtocolError on every later call.
class FrameReader {
 public:
  explicit FrameReader(std::size_t maxSize = kMaxFrameSize) : maxSize_(maxSize) {}

  void feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next complete message, or nullopt while its bytes have not all arrived.
  std::optional<Json> next();
  // True while bytes of an unfinished frame are held.
  bool hasPartial() const { return !buffer_.empty(); }

 private:
  std::size_t maxSize_;
  std::string buffer_;
  std::optional<std::string> broken_;
};

}  // namespace tev::rpc
