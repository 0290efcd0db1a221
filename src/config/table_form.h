// What the prebuilt tables (screen labels, screen messages, the ERP field dictionary) have in common on disk:
// the failure a reader reports, the names of the kinds of table, and the stored form, our own compact binary
// layout. Only the table codecs (text_table_codec, field_table_codec) use this file.
//
// Stored form, all integers big-endian:
//   "TEVTBL"                       6 bytes, the magic
//   kind length (1 byte), kind     "labels", "messages" or "fields"
//   version (2 bytes)              kStoredVersion
//   entry count (4 bytes)
//   the entries                    their layout belongs to the kind (see the codecs)
// A text is its byte length (4 bytes) and its bytes; an optional text is a byte 0 (absent) or 1 followed by
// the text; a 32-bit integer is 4 bytes of two's complement. Nothing follows the last entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"

namespace tev {

// A table file that cannot be read or written: missing, unreadable, in another form or of another kind
// than the reader expects, truncated or damaged. The message begins with the file's path and says what was
// expected and what was found.
class TableFormatError : public Error {
 public:
  using Error::Error;
};

inline constexpr std::string_view kStoredMagic = "TEVTBL";
inline constexpr std::uint16_t kStoredVersion = 1;

// The whole content of a file; throws TableFormatError ("<path>: cannot read the file: <reason>").
std::string readTableFile(const std::string& path);
// Replaces the file whole (temporary file and rename); throws TableFormatError on failure and leaves the
// previous file as it was.
void writeTableFile(const std::string& path, const std::string& content);

// A short description of what a table file seems to hold, for error messages: "an empty file", "the stored
// form of a messages table", "the XML form", "the text form".
std::string describeTableContent(std::string_view bytes);

// Builds the bytes of the stored form.
class StoredTableWriter {
 public:
  StoredTableWriter(std::string_view kind, std::uint32_t entryCount);

  void text(std::string_view value);
  void optionalText(const std::optional<std::string>& value);
  void int32(std::int32_t value);

  const std::string& bytes() const { return bytes_; }

 private:
  void uint32(std::uint32_t value);

  std::string bytes_;
};

// Reads the bytes of the stored form; every failure throws TableFormatError naming the path.
class StoredTableReader {
 public:
  // Checks the magic, the kind and the version.
  StoredTableReader(std::string_view bytes, std::string_view kind, const std::string& path);

  std::uint32_t entryCount() const { return entryCount_; }
  std::string text();
  std::optional<std::string> optionalText();
  std::int32_t int32();
  // Fails unless every byte has been read.
  void finish();

 private:
  [[noreturn]] void fail(const std::string& reason) const;
  std::uint32_t uint32();
  void need(std::size_t count);

  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::string path_;
  std::uint32_t entryCount_ = 0;
};

}  // namespace tev
