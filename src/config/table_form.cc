#include "config/table_form.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/replace_file.h"

namespace tev {
namespace {

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The kind named in a stored-form header, or nothing when the bytes do not hold a whole header.
std::optional<std::string> storedKind(std::string_view bytes) {
  if (bytes.substr(0, kStoredMagic.size()) != kStoredMagic || bytes.size() <= kStoredMagic.size())
    return std::nullopt;
  std::size_t length = static_cast<unsigned char>(bytes[kStoredMagic.size()]);
  std::string_view kind = bytes.substr(kStoredMagic.size() + 1);
  if (kind.size() < length) return std::nullopt;
  return std::string(kind.substr(0, length));
}

}  // namespace

std::string readTableFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rbe"));
  if (!file) throw TableFormatError(path + ": cannot read the file: " + std::strerror(errno));
  std::string content;
  char buffer[65536];
  for (;;) {
    std::size_t count = std::fread(buffer, 1, sizeof buffer, file.get());
    content.append(buffer, count);
    if (count < sizeof buffer) break;
  }
  if (std::ferror(file.get()))
    throw TableFormatError(path + ": cannot read the file: " + std::strerror(errno));
  return content;
}

void writeTableFile(const std::string& path, const std::string& content) {
  std::string cause = replaceFile(path, content);
  if (!cause.empty()) throw TableFormatError(path + ": cannot write the file: " + cause);
}

std::string describeTableContent(std::string_view bytes) {
  if (bytes.empty()) return "an empty file";
  if (bytes.substr(0, kStoredMagic.size()) == kStoredMagic) {
    auto kind = storedKind(bytes);
    return kind ? "the stored form of a " + *kind + " table" : "a damaged stored-form header";
  }
  std::string_view rest = bytes;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  std::size_t first = rest.find_first_not_of(" \t\r\n");
  std::string_view firstLine = first == std::string_view::npos ? rest : rest.substr(first);
  firstLine = firstLine.substr(0, firstLine.find_first_of("\r\n"));
  if (!firstLine.empty() && firstLine.front() == '<' && firstLine.find('|') == std::string_view::npos)
    return "the XML form";
  return "the text form";
}

// ---- writer ----

StoredTableWriter::StoredTableWriter(std::string_view kind, std::uint32_t entryCount) {
  bytes_.append(kStoredMagic);
  bytes_.push_back(static_cast<char>(kind.size()));
  bytes_.append(kind);
  bytes_.push_back(static_cast<char>(kStoredVersion >> 8));
  bytes_.push_back(static_cast<char>(kStoredVersion & 0xFF));
  uint32(entryCount);
}

void StoredTableWriter::uint32(std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void StoredTableWriter::text(std::string_view value) {
  uint32(static_cast<std::uint32_t>(value.size()));
  bytes_.append(value);
}

void StoredTableWriter::optionalText(const std::optional<std::string>& value) {
  bytes_.push_back(value ? 1 : 0);
  if (value) text(*value);
}

void StoredTableWriter::int32(std::int32_t value) {
  uint32(static_cast<std::uint32_t>(value));
}

// ---- reader ----

StoredTableReader::StoredTableReader(std::string_view bytes, std::string_view kind, const std::string& path)
    : bytes_(bytes), path_(path) {
  auto found = storedKind(bytes);
  if (!found || *found != kind)
    fail("not a stored " + std::string(kind) + " table: the file holds " + describeTableContent(bytes));
  pos_ = kStoredMagic.size() + 1 + found->size();
  need(2);
  unsigned version =
      static_cast<unsigned char>(bytes_[pos_]) << 8 | static_cast<unsigned char>(bytes_[pos_ + 1]);
  pos_ += 2;
  if (version != kStoredVersion)
    fail("stored " + std::string(kind) + " table of version " + std::to_string(version) +
         "; this program reads version " + std::to_string(kStoredVersion));
  entryCount_ = uint32();
}

void StoredTableReader::fail(const std::string& reason) const {
  throw TableFormatError(path_ + ": " + reason);
}

void StoredTableReader::need(std::size_t count) {
  if (bytes_.size() - pos_ < count) fail("the stored table is truncated");
}

std::uint32_t StoredTableReader::uint32() {
  need(4);
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes_[pos_ + i]);
  pos_ += 4;
  return value;
}

std::string StoredTableReader::text() {
  std::uint32_t length = uint32();
  need(length);
  std::string value(bytes_.substr(pos_, length));
  pos_ += length;
  return value;
}

std::optional<std::string> StoredTableReader::optionalText() {
  need(1);
  char flag = bytes_[pos_++];
  if (flag == 0) return std::nullopt;
  if (flag != 1) fail("the stored table is damaged (bad presence flag)");
  return text();
}

std::int32_t StoredTableReader::int32() {
  return static_cast<std::int32_t>(uint32());
}

void StoredTableReader::finish() {
  if (pos_ != bytes_.size())
    fail("the stored table is damaged (" + std::to_string(bytes_.size() - pos_) +
         " bytes follow its last entry)");
}

}  // namespace tev
