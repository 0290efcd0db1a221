// TermKeyParser: reads a scanner model's key list into a table of named strings (terminal-capability name ->
// the bytes the scanner sends for a key, or understands as a command).
//
// The file is plain text despite its ".xml" name. Every line is name "=" value: the name is everything before
// the first "=", the value everything after it (it may hold "=" itself and may be empty). Nothing is trimmed
// and no escape notation is interpreted: control characters such as ESC stand in the file as themselves.
// CR, LF and CR LF each end a line. A later line with the same name replaces an earlier one, and every line
// must hold "=" (an empty line does not).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace tev {

class EmulatorSettings;

// A key list that cannot be used: a line without "=", or a capability the system needs is missing.
class KeyListError : public Error {
 public:
  using Error::Error;
};

class TermKeyParser {
 public:
  TermKeyParser() = default;

  // Reads the file at the full path given (the caller has located it). Returns true; a file that cannot be
  // read throws tev::Error, a line without "=" throws KeyListError. The table is replaced only on success.
  bool initialize(const std::string& path);
  // The same from the file's content; `source` names it in error messages.
  void loadText(std::string_view text, const std::string& source = "key list");

  // "" for an empty name; otherwise the string of that name, or nothing when the list has no such line.
  std::optional<std::string> getKeyValue(std::string_view name) const;

  // New settings initialised from this parser (throws KeyListError as EmulatorSettings::initialize does).
  EmulatorSettings getEmulatorSettings() const;

  const std::map<std::string, std::string, std::less<>>& getTermKeysHash() const { return termKeysHash; }

 private:
  std::map<std::string, std::string, std::less<>> termKeysHash;
};

}  // namespace tev
