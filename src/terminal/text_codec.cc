#include "terminal/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "common/java_text.h"

namespace tev {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

iconv_t openIconv(const std::string& to, const std::string& from) {
  iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw Error("Unsupported character encoding " + (from == "UTF-8" ? to : from) + ": " +
                std::strerror(errno));
  }
  return cd;
}

bool isUtf8Name(const std::string& charset) {
  return charset.empty() || equalsIgnoreCase(charset, "UTF-8") || equalsIgnoreCase(charset, "UTF8");
}

// The byte length of the UTF-8 character at the start of text (1 for a malformed byte).
std::size_t utf8Length(std::string_view text) {
  if (text.empty()) return 0;
  return charSubstr(text.substr(0, std::min<std::size_t>(4, text.size())), 0, 1).size();
}

// Converts from in while it can, appending to out; returns 0 when all input is converted, otherwise the errno
// of the character that stopped it (EINVAL: cut short, EILSEQ: malformed or not representable), with in and
// inLeft at that character.
int convert(iconv_t cd, char*& in, std::size_t& inLeft, std::string& out) {
  char buf[1024];
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t r = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    if (r != static_cast<std::size_t>(-1)) return 0;
    if (errno != E2BIG) return errno;
  }
  return 0;
}

}  // namespace

TextDecoder::TextDecoder(const std::string& charset)
    : cd_(openIconv("UTF-8", charset.empty() ? "UTF-8" : charset)) {}

TextDecoder::~TextDecoder() {
  ::iconv_close(static_cast<iconv_t>(cd_));
}

std::string TextDecoder::decode(std::string_view bytes) {
  pending_.append(bytes);
  std::string out;
  auto cd = static_cast<iconv_t>(cd_);
  char* in = pending_.data();
  std::size_t inLeft = pending_.size();
  while (int error = convert(cd, in, inLeft, out)) {
    if (error == EINVAL) break;  // an incomplete character: wait for the rest
    // EILSEQ (or anything else): replace one byte and go on.
    out += kReplacement;
    ++in;
    --inLeft;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  pending_.erase(0, pending_.size() - inLeft);
  return out;
}

std::string TextDecoder::finish() {
  std::string out;
  for (std::size_t i = 0; i < pending_.size(); ++i) out += kReplacement;
  pending_.clear();
  ::iconv(static_cast<iconv_t>(cd_), nullptr, nullptr, nullptr, nullptr);
  return out;
}

TextEncoder::TextEncoder(const std::string& charset)
    : cd_(isUtf8Name(charset) ? nullptr : openIconv(charset, "UTF-8")) {}

TextEncoder::~TextEncoder() {
  if (cd_) ::iconv_close(static_cast<iconv_t>(cd_));
}

std::string TextEncoder::encode(std::string_view text) {
  if (!cd_) return std::string(text);
  std::string source(text);
  std::string out;
  auto cd = static_cast<iconv_t>(cd_);
  char* in = source.data();
  std::size_t inLeft = source.size();
  while (convert(cd, in, inLeft, out) != 0) {
    // A character the charset lacks, or a malformed or cut-off one: "?" in its place.
    std::size_t skip = std::min(inLeft, utf8Length(std::string_view(in, inLeft)));
    if (skip == 0) skip = 1;
    in += skip;
    inLeft -= skip;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out += '?';
  }
  char buf[64];
  // Return to the initial shift state (stateful charsets).
  char* outPtr = buf;
  std::size_t outLeft = sizeof buf;
  ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buf, static_cast<std::size_t>(outPtr - buf));
  return out;
}

}  // namespace tev
