// Conversion between the terminal link's bytes and the UTF-8 text used inside, done only at the byte
// boundary, with iconv. An empty charset name means the platform default, UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tev {

// Bytes of the link -> UTF-8 text. Stateful: a character cut off at the end of one read is completed by the
// next. Bytes that are malformed in the charset become U+FFFD, one per byte.
class TextDecoder {
 public:
  // Throws tev::Error for a charset iconv does not know.
  explicit TextDecoder(const std::string& charset = "");
  ~TextDecoder();
  TextDecoder(const TextDecoder&) = delete;
  TextDecoder& operator=(const TextDecoder&) = delete;

  // The text of every complete character of the bytes held back before and the new bytes; an incomplete
  // character at the end is held back for the next call.
  std::string decode(std::string_view bytes);
  // At end of stream: the bytes still held back, as U+FFFD each; nothing is held back afterwards.
  std::string finish();
  bool hasPending() const { return !pending_.empty(); }

 private:
  void* cd_;
  std::string pending_;
};

// UTF-8 text -> bytes of the link. A character the charset cannot hold becomes "?"; so does a malformed
// byte. For UTF-8 the text passes unchanged.
class TextEncoder {
 public:
  // Throws tev::Error for a charset iconv does not know.
  explicit TextEncoder(const std::string& charset = "");
  ~TextEncoder();
  TextEncoder(const TextEncoder&) = delete;
  TextEncoder& operator=(const TextEncoder&) = delete;

  std::string encode(std::string_view text);

 private:
  void* cd_;  // null: pass through
};

}  // namespace tev
