#include "util/mime_text.h"

#include <algorithm>
#include <cstddef>

namespace tev::mime {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// RFC 5322: a line must not exceed 998 characters, and should not exceed 78.
constexpr std::size_t kMaxLine = 998;
constexpr std::size_t kFoldAt = 78;
// 45 bytes are 60 base64 characters: with "=?UTF-8?B?" and "?=" an encoded word of 72 characters.
constexpr std::size_t kBytesPerWord = 45;

bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string hexByte(unsigned char c) {
  return {'=', kHex[c >> 4], kHex[c & 0x0F]};
}

// Whether header text can be written as it is: printable ASCII only, nothing a reader would take for an
// encoded word, and no word longer than a line.
bool isPlainHeaderText(std::string_view text) {
  std::size_t word = 0;
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
    word = c == ' ' ? 0 : word + 1;
    if (word > kMaxLine - 100) return false;
  }
  return text.find("=?") == std::string_view::npos;
}

}  // namespace

std::string canonicalLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(bytes[i + 2]);
    out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], kBase64[(v >> 6) & 63], kBase64[v & 63]};
  }
  std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += rest == 2 ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string quotedPrintable(std::string_view canonicalText) {
  std::string out;
  std::size_t lineStart = 0;
  while (lineStart <= canonicalText.size()) {
    std::size_t lineEnd = canonicalText.find("\r\n", lineStart);
    bool last = lineEnd == std::string_view::npos;
    if (last) lineEnd = canonicalText.size();
    std::string line;
    for (std::size_t i = lineStart; i < lineEnd; ++i) {
      unsigned char c = static_cast<unsigned char>(canonicalText[i]);
      bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && i + 1 < lineEnd);
      std::string token = literal ? std::string(1, static_cast<char>(c)) : hexByte(c);
      // 75 characters and the "=" of a soft break make the longest line of 76.
      if (line.size() + token.size() > 75) {
        out += line;
        out += "=\r\n";
        line.clear();
      }
      line += token;
    }
    out += line;
    if (last) break;
    out += "\r\n";
    lineStart = lineEnd + 2;
  }
  return out;
}

std::string encodeWords(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  do {
    std::size_t n = std::min(kBytesPerWord, text.size() - pos);
    // Step back to the start of a UTF-8 character, unless the chunk holds nothing but continuation bytes.
    std::size_t cut = n;
    while (pos + cut < text.size() && cut > 0 && isContinuationByte(text[pos + cut])) --cut;
    if (cut > 0) n = cut;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + base64(text.substr(pos, n)) + "?=";
    pos += n;
  } while (pos < text.size());
  return out;
}

std::string unstructuredHeader(std::string_view name, std::string_view value) {
  std::string line = std::string(name) + ": ";
  if (!isPlainHeaderText(value)) return line + encodeWords(value);
  // Fold before a blank whenever the current line would grow past kFoldAt; the blank stays as the first
  // character of the continuation line, so unfolding gives the text back unchanged.
  std::size_t lineLength = line.size();
  bool lineHasText = false;
  std::size_t pos = 0;
  while (pos < value.size()) {
    std::size_t next = value.find(' ', pos + 1);
    if (next == std::string_view::npos) next = value.size();
    std::string_view piece = value.substr(pos, next - pos);
    if (lineHasText && value[pos] == ' ' && lineLength + piece.size() > kFoldAt) {
      line += "\r\n";
      lineLength = 0;
    }
    line += piece;
    lineLength += piece.size();
    lineHasText = true;
    pos = next;
  }
  return line;
}

TextBody encodeTextBody(std::string_view text) {
  std::string canonical = canonicalLineEnds(text);
  bool eightBit = false;
  bool sevenBitSafe = true;
  std::size_t lineLength = 0;
  for (std::size_t i = 0; i < canonical.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(canonical[i]);
    if (c >= 0x80) eightBit = true;
    if (c == '\r' && i + 1 < canonical.size() && canonical[i + 1] == '\n') {
      lineLength = 0;
      ++i;
      continue;
    }
    if (c == 0 || c >= 0x80 || ++lineLength > kMaxLine) sevenBitSafe = false;
  }
  TextBody body;
  body.contentType = eightBit ? "text/plain; charset=UTF-8" : "text/plain";
  if (sevenBitSafe) {
    body.transferEncoding = "7bit";
    body.content = std::move(canonical);
  } else {
    body.transferEncoding = "quoted-printable";
    body.content = quotedPrintable(canonical);
  }
  return body;
}

}  // namespace tev::mime
