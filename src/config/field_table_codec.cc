#include "config/field_table_codec.h"

namespace tev {
namespace {

constexpr const char* kKind = "fields";

}  // namespace

std::string encodeFieldTable(const BaanFieldTable& table) {
  StoredTableWriter writer(kKind, static_cast<std::uint32_t>(table.size()));
  for (const auto& [id, def] : table) {
    writer.text(id);
    writer.text(def.getId());
    writer.optionalText(def.getDataType());
    writer.optionalText(def.getAlignment());
    writer.optionalText(def.getCaseType());
    writer.int32(def.getLength());
  }
  return writer.bytes();
}

BaanFieldTable decodeFieldTable(const std::string& content, const std::string& path) {
  StoredTableReader reader(content, kKind, path);
  BaanFieldTable table;
  for (std::uint32_t i = 0; i < reader.entryCount(); ++i) {
    std::string key = reader.text();
    std::string id = reader.text();
    auto dataType = reader.optionalText();
    auto alignment = reader.optionalText();
    auto caseType = reader.optionalText();
    std::int32_t length = reader.int32();
    table.insert_or_assign(std::move(key), BaanFieldDef(std::move(id), std::move(dataType),
                                                        std::move(alignment), std::move(caseType), length));
  }
  reader.finish();
  return table;
}

void writeFieldTable(const std::string& path, const BaanFieldTable& table) {
  writeTableFile(path, encodeFieldTable(table));
}

BaanFieldTable readFieldTable(const std::string& path) {
  return decodeFieldTable(readTableFile(path), path);
}

std::optional<BaanFieldTable> loadFieldTable(const std::string& path, const log::Logger& logger,
                                             const std::string& errorPrefix) {
  try {
    return readFieldTable(path);
  } catch (const TableFormatError& e) {
    logger->error("{}", errorPrefix + e.getMessage());
    return std::nullopt;
  }
}

}  // namespace tev
