#include "config/text_table_codec.h"

#include <libxml/tree.h>

#include <string_view>

#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {
namespace {

constexpr const char* kXmlRoot = "text_table";
constexpr const char* kXmlEntry = "text";

const xmlChar* xml(const std::string& value) {
  return reinterpret_cast<const xmlChar*>(value.c_str());
}

// Whether the text is well-formed UTF-8 made only of characters XML 1.0 allows.
bool xmlCarries(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::uint32_t code;
    std::size_t extra;
    if (lead < 0x80) {
      code = lead;
      extra = 0;
    } else if ((lead & 0xE0) == 0xC0 && lead >= 0xC2) {
      code = lead & 0x1F;
      extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
      code = lead & 0x0F;
      extra = 2;
    } else if ((lead & 0xF8) == 0xF0 && lead <= 0xF4) {
      code = lead & 0x07;
      extra = 3;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    // Overlong forms of three and four bytes, and code points past U+10FFFF.
    if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF))) return false;
    bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                   (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
    if (!allowed) return false;
    i += extra + 1;
  }
  return true;
}

std::string encodeText(const TextTable& table) {
  std::string out;
  for (const auto& [id, text] : table) {
    out += id;
    out += '|';
    out += text;
    out += '\n';
  }
  return out;
}

std::string encodeXml(const TextTable& table, TextTableKind kind) {
  for (const auto& [id, text] : table) {
    if (!xmlCarries(id) || !xmlCarries(text))
      throw TableFormatError("the XML form cannot carry the entry \"" + id +
                             "\": it holds a character that XML does not allow");
  }
  XmlDocPtr doc(xmlNewDoc(BAD_CAST "1.0"));
  xmlNodePtr root = xmlNewDocNode(doc.get(), nullptr, BAD_CAST kXmlRoot, nullptr);
  xmlDocSetRootElement(doc.get(), root);
  xmlNewProp(root, BAD_CAST "kind", xml(textTableKindName(kind)));
  xmlNewProp(root, BAD_CAST "version", xml(std::to_string(kStoredVersion)));
  for (const auto& [id, text] : table) {
    xmlAddChild(root, xmlNewDocText(doc.get(), BAD_CAST "\n  "));
    xmlNodePtr entry = xmlNewDocNode(doc.get(), nullptr, BAD_CAST kXmlEntry, nullptr);
    xmlAddChild(root, entry);
    xmlNewProp(entry, BAD_CAST "id", xml(id));
    if (!text.empty())
      xmlAddChild(entry, xmlNewDocTextLen(doc.get(), xml(text), static_cast<int>(text.size())));
  }
  xmlAddChild(root, xmlNewDocText(doc.get(), BAD_CAST "\n"));
  std::string cause;
  auto content = serialiseDocument(doc.get(), cause);
  if (!content) throw TableFormatError("cannot write the XML form: " + cause);
  return *content;
}

std::string encodeStored(const TextTable& table, TextTableKind kind) {
  StoredTableWriter writer(textTableKindName(kind), static_cast<std::uint32_t>(table.size()));
  for (const auto& [id, text] : table) {
    writer.text(id);
    writer.text(text);
  }
  return writer.bytes();
}

[[noreturn]] void wrongForm(const std::string& path, const std::string& content, TextTableKind kind,
                            TextTableForm form) {
  throw TableFormatError(path + ": not the " + textTableFormName(form) + " form of a " +
                         textTableKindName(kind) + " table: the file holds " + describeTableContent(content));
}

// Lines as a line reader gives them: ended by "\n", "\r" or "\r\n"; a last line without an end counts.
TextTable decodeText(const std::string& content, TextTableKind kind, const std::string& path) {
  std::string description = describeTableContent(content);
  if (description != "the text form" && description != "an empty file")
    wrongForm(path, content, kind, TextTableForm::Text);
  TextTable table;
  std::size_t begin = 0;
  while (begin < content.size()) {
    std::size_t end = content.find_first_of("\r\n", begin);
    std::string_view line =
        std::string_view(content).substr(begin, end == std::string::npos ? end : end - begin);
    std::size_t bar = line.find('|');
    if (bar != std::string_view::npos && line.find('|', bar + 1) == std::string_view::npos)
      table[std::string(line.substr(0, bar))] = std::string(line.substr(bar + 1));
    if (end == std::string::npos) break;
    begin = end + 1;
    if (content[end] == '\r' && begin < content.size() && content[begin] == '\n') ++begin;
  }
  return table;
}

TextTable decodeXml(const std::string& content, TextTableKind kind, const std::string& path) {
  std::string description = describeTableContent(content);
  if (content.empty() || content.starts_with(kStoredMagic))
    wrongForm(path, content, kind, TextTableForm::Xml);
  std::string cause;
  XmlDocPtr doc = parseXmlText(content, cause, path);
  if (!doc && description != "the XML form") wrongForm(path, content, kind, TextTableForm::Xml);
  if (!doc) throw TableFormatError(path + ": the XML form cannot be parsed: " + cause);
  XmlNode root(xmlDocGetRootElement(doc.get()));
  std::string kindName = textTableKindName(kind);
  if (root.name() != kXmlRoot)
    throw TableFormatError(path + ": not the XML form of a " + kindName + " table: the root element is <" +
                           root.name() + ">, not <" + kXmlRoot + ">");
  std::string found = root.attribute("kind").value_or("");
  if (found != kindName)
    throw TableFormatError(path + ": not the XML form of a " + kindName +
                           " table: it holds a table of kind \"" + found + "\"");
  std::string version = root.attribute("version").value_or("");
  if (version != std::to_string(kStoredVersion))
    throw TableFormatError(path + ": XML " + kindName + " table of version \"" + version +
                           "\"; this program reads version " + std::to_string(kStoredVersion));
  TextTable table;
  for (const XmlNode& entry : root.elementChildren()) {
    auto id = entry.attribute("id");
    if (entry.name() != kXmlEntry || !id)
      throw TableFormatError(path + ": the XML " + kindName + " table holds an element <" + entry.name() +
                             "> that is not a <text> with an id");
    table[*id] = entry.textContent();
  }
  return table;
}

TextTable decodeStored(const std::string& content, TextTableKind kind, const std::string& path) {
  StoredTableReader reader(content, textTableKindName(kind), path);
  TextTable table;
  for (std::uint32_t i = 0; i < reader.entryCount(); ++i) {
    std::string id = reader.text();
    table[id] = reader.text();
  }
  reader.finish();
  return table;
}

}  // namespace

std::string textTableKindName(TextTableKind kind) {
  return kind == TextTableKind::Labels ? "labels" : "messages";
}

std::string textTableFormName(TextTableForm form) {
  switch (form) {
    case TextTableForm::Text:
      return "text";
    case TextTableForm::Xml:
      return "XML";
    case TextTableForm::Stored:
      return "stored";
  }
  return "stored";
}

TextTableForm textTableForm(bool xml, bool text) {
  if (xml) return TextTableForm::Xml;
  return text ? TextTableForm::Text : TextTableForm::Stored;
}

std::vector<std::string> textFormUncarried(const TextTable& table) {
  std::vector<std::string> ids;
  for (const auto& [id, text] : table) {
    if (id.find_first_of("|\r\n") != std::string::npos || text.find_first_of("|\r\n") != std::string::npos)
      ids.push_back(id);
  }
  return ids;
}

std::string encodeTextTable(const TextTable& table, TextTableKind kind, TextTableForm form) {
  switch (form) {
    case TextTableForm::Text:
      return encodeText(table);
    case TextTableForm::Xml:
      return encodeXml(table, kind);
    case TextTableForm::Stored:
      return encodeStored(table, kind);
  }
  return encodeStored(table, kind);
}

TextTable decodeTextTable(const std::string& content, TextTableKind kind, TextTableForm form,
                          const std::string& path) {
  switch (form) {
    case TextTableForm::Text:
      return decodeText(content, kind, path);
    case TextTableForm::Xml:
      return decodeXml(content, kind, path);
    case TextTableForm::Stored:
      return decodeStored(content, kind, path);
  }
  return decodeStored(content, kind, path);
}

void writeTextTable(const std::string& path, const TextTable& table, TextTableKind kind, TextTableForm form) {
  std::string content;
  try {
    content = encodeTextTable(table, kind, form);
  } catch (const TableFormatError& e) {
    throw TableFormatError(path + ": " + e.getMessage());
  }
  writeTableFile(path, content);
}

TextTable readTextTable(const std::string& path, TextTableKind kind, TextTableForm form) {
  return decodeTextTable(readTableFile(path), kind, form, path);
}

std::optional<TextTable> loadTextTable(const std::string& path, TextTableKind kind, TextTableForm form,
                                       const log::Logger& logger, const std::string& errorPrefix) {
  try {
    return readTextTable(path, kind, form);
  } catch (const TableFormatError& e) {
    logger->error("{}", errorPrefix + e.getMessage());
    return std::nullopt;
  }
}

}  // namespace tev
