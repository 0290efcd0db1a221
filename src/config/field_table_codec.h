// The one place that writes and reads the ERP field dictionary file ("BaanFieldDefs.dat"): a table from field
// id to BaanFieldDef, in the stored form of table_form.h with kind "fields". Each entry is the key, then the
// definition: id, data type, alignment and case (optional texts) and the length (32-bit integer).
//
// The reader checks the form and the kind and throws TableFormatError naming the file, what was expected and
// what was found, instead of misreading.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "common/log.h"
#include "config/baan_field_def.h"
#include "config/table_form.h"

namespace tev {

// Definition by field id; iteration is in id order.
using BaanFieldTable = std::map<std::string, BaanFieldDef>;

std::string encodeFieldTable(const BaanFieldTable& table);
// The table held by the content; path only names the file in error messages.
BaanFieldTable decodeFieldTable(const std::string& content, const std::string& path);

// Writes the file whole (temporary file and rename), so a failure keeps the previous file. Throws
// TableFormatError.
void writeFieldTable(const std::string& path, const BaanFieldTable& table);
// Reads the file. Throws TableFormatError.
BaanFieldTable readFieldTable(const std::string& path);
// As readFieldTable; a failure is logged as an error, errorPrefix followed by the failure's message, and
// gives nothing.
std::optional<BaanFieldTable> loadFieldTable(const std::string& path, const log::Logger& logger,
                                             const std::string& errorPrefix);

}  // namespace tev
