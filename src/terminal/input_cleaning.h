// The two character classes that clean what the operator enters into a field.
//
//  - A scanned value (a chunk that arrives with its carriage return) keeps word characters (A-Z, a-z, 0-9,
//    "_"), ASCII white space (blank, tab, LF, VT, FF, CR) and ASCII punctuation; everything else goes.
//  - Typed characters keep word characters, "^", the characters from blank to "@" (0x20-0x40), "~", "/",
//    "\" and "."; everything else goes (among them "[", "]", "`", "{", "|", "}", control characters and
//    every character beyond ASCII).
//
// Texts are UTF-8; a malformed byte counts as a character of its own and, being beyond ASCII, is removed.
#pragma once

#include <string>
#include <string_view>

namespace tev {

bool keptInScan(char32_t c);
bool keptWhenTyped(char32_t c);

// The text without the characters the class removes.
std::string cleanScanned(std::string_view text);
std::string cleanTyped(std::string_view text);

}  // namespace tev
