#include "terminal/input_cleaning.h"

namespace tev {
namespace {

bool isWordChar(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isAsciiSpace(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == 0x0B || c == '\f' || c == '\r';
}

bool isAsciiPunct(char32_t c) {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}

// Every character the classes keep is ASCII, so the bytes of a multi-byte (or malformed) character, all of
// them 0x80 or above, are removed one by one with the same result as removing the whole character.
template <typename Keep>
std::string filterAscii(std::string_view text, Keep keep) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x80 && keep(static_cast<char32_t>(byte))) out += ch;
  }
  return out;
}

}  // namespace

bool keptInScan(char32_t c) {
  return isWordChar(c) || isAsciiSpace(c) || isAsciiPunct(c);
}

bool keptWhenTyped(char32_t c) {
  return isWordChar(c) || c == '^' || (c >= 0x20 && c <= 0x40) || c == '~' || c == '/' || c == '\\' ||
         c == '.';
}

std::string cleanScanned(std::string_view text) {
  return filterAscii(text, keptInScan);
}

std::string cleanTyped(std::string_view text) {
  return filterAscii(text, keptWhenTyped);
}

}  // namespace tev
