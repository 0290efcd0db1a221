// The one place that writes and reads the prebuilt tables of screen labels and screen messages
// (<texts directory>/<language>.dat). A table maps a text id to its text; it has three file forms:
//
//  - text form: UTF-8 lines "id|text" ended by "\n", no header, no escaping. A line is read back only when it
//    splits into exactly two parts at "|", so an id or text holding "|" or a line break is lost or cut.
//  - XML form:  <?xml version="1.0" encoding="UTF-8"?>
//               <text_table kind="labels" version="1">
//                 <text id="Standard">Standard</text> ...
//               </text_table>
//    (kind "messages" for messages; every id and text is carried exactly).
//  - stored form: the binary layout of table_form.h, kind "labels" or "messages"; each entry is the id and
//    the text. Every id and text is carried exactly.
//
// Readers check that the file holds the form (and, where the form says so, the kind) they were asked for,
// and throw TableFormatError naming the file, what was expected and what was found, instead of misreading.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/table_form.h"

namespace tev {

// Text by id; iteration is in id order.
using TextTable = std::map<std::string, std::string>;

enum class TextTableKind { Labels, Messages };
enum class TextTableForm { Text, Xml, Stored };

// "labels" or "messages".
std::string textTableKindName(TextTableKind kind);
// "text", "XML" or "stored".
std::string textTableFormName(TextTableForm form);

// The form the settings choose: XML when the XML flag is set (it wins), otherwise text when the text flag is
// set, otherwise stored. The builders pass `enable_xml_encoding` and `save_in_text_format`; a scanner
// process passes (`dat_files_in_xml` or `enable_xml_encoding`) and `save_in_text_format`.
TextTableForm textTableForm(bool xml, bool text);

// The ids whose entry the text form cannot carry: the id or the text holds "|", "\n" or "\r".
std::vector<std::string> textFormUncarried(const TextTable& table);

// The file content of the table in the form. Throws TableFormatError when the XML form cannot carry an id
// or text (a character XML 1.0 does not allow, or bytes that are not UTF-8).
std::string encodeTextTable(const TextTable& table, TextTableKind kind, TextTableForm form);
// The table held by the content; path only names the file in error messages.
TextTable decodeTextTable(const std::string& content, TextTableKind kind, TextTableForm form,
                          const std::string& path);

// Writes the file whole (temporary file and rename), so a failure keeps the previous file. Throws
// TableFormatError.
void writeTextTable(const std::string& path, const TextTable& table, TextTableKind kind, TextTableForm form);
// Reads the file. Throws TableFormatError.
TextTable readTextTable(const std::string& path, TextTableKind kind, TextTableForm form);
// As readTextTable; a failure is logged as an error, errorPrefix followed by the failure's message, and
// gives nothing.
std::optional<TextTable> loadTextTable(const std::string& path, TextTableKind kind, TextTableForm form,
                                       const log::Logger& logger, const std::string& errorPrefix);

}  // namespace tev
