#include "util/string_util.h"

#include "common/error.h"
#include "common/java_text.h"

namespace tev {

namespace {

constexpr size_t kLeadingBlanks = 366;
constexpr size_t kTabs = 546;
constexpr size_t kTrailingBlanks = 324;

// The message of an index failure, worded like the index errors of the original text operations.
std::string rangeMessage(int64_t end, size_t length) {
  return "begin 0, end " + std::to_string(end) + ", length " + std::to_string(length);
}

// The pad of `width` − length characters joined to `text` on the chosen side, or the first `width`
// characters of `text` when it is not shorter.
std::string pad(const std::string& text, int32_t width, bool padInFront) {
  size_t length = static_cast<size_t>(charLength(text));
  if (width < 0) throw IndexOutOfRange(rangeMessage(width, length));
  size_t target = static_cast<size_t>(width);
  if (length >= target) return charSubstr(text, 0, width);
  size_t needed = target - length;
  const std::string& source = StringUtil::space();
  if (needed > source.size())
    throw IndexOutOfRange(rangeMessage(static_cast<int64_t>(needed), source.size()));
  return padInFront ? source.substr(0, needed) + text : text + source.substr(0, needed);
}

}  // namespace

const std::string& StringUtil::space() {
  static const std::string kSpace =
      std::string(kLeadingBlanks, ' ') + std::string(kTabs, '\t') + std::string(kTrailingBlanks, ' ');
  return kSpace;
}

std::string StringUtil::lpad(const std::string& text, int32_t width) {
  return pad(text, width, true);
}

std::string StringUtil::rpad(const std::string& text, int32_t width) {
  return pad(text, width, false);
}

std::string StringUtil::zeroPad(const std::string& text, int32_t width, bool atFront) {
  if (width <= 0) return text;
  size_t length = static_cast<size_t>(charLength(text));
  size_t target = static_cast<size_t>(width);
  if (length >= target) return text;
  std::string zeros(target - length, '0');
  return atFront ? zeros + text : text + zeros;
}

}  // namespace tev
