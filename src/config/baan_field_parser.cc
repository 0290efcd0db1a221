#include "config/baan_field_parser.h"

#include "common/java_number.h"

namespace tev {
namespace {

constexpr const char* kFieldById = "/baan_field_list/baan_field[@id='%s']";
constexpr const char* kTypeById = "/baan_field_list/baan_field[@id='%s']/type";
constexpr const char* kFieldIds = "/baan_field_list/baan_field/@id";

}  // namespace

BaanFieldParser::BaanFieldParser(std::ostream& out) : out_(out) {}

bool BaanFieldParser::initialize(const std::string& listFile) {
  out_ << "Loading the baan fields list file: " << listFile << "\n";
  bool loaded = xmlQry.loadXMLDocument(listFile) != nullptr;
  out_ << (loaded ? "Loaded the baan fields list file: " : "Failed to load baan fields list file: ")
       << listFile << "\n";
  return loaded;
}

std::optional<std::string> BaanFieldParser::childValue(const XmlNode& field, const std::string& name) {
  auto nodes = xmlQry.getNodeList(name, field);
  if (!nodes || nodes->empty()) return std::nullopt;
  auto child = nodes->front().firstChild();
  if (!child) return std::nullopt;
  return child->value();
}

BaanFieldDef BaanFieldParser::definitionOf(const XmlNode& field, const std::string& id) {
  auto type = childValue(field, "type");
  auto align = childValue(field, "align");
  auto caseType = childValue(field, "case");
  std::string lengthText = childValue(field, "length").value_or("0");
  std::int32_t length;
  try {
    length = parseInt(lengthText);
  } catch (const NumberFormatError& e) {
    throw BaanFieldListError("Invalid length of baan field " + id + ": " + e.getMessage());
  }
  return BaanFieldDef(id, type, align, caseType, length);
}

std::optional<BaanFieldDef> BaanFieldParser::getBaanField(const std::string& id) {
  if (id.empty()) return std::nullopt;
  auto field = xmlQry.getNodeByParsedExpr(kFieldById, {id});
  if (!field) return std::nullopt;
  return definitionOf(*field, id);
}

std::optional<std::string> BaanFieldParser::getBaanFieldType(const std::string& id) {
  if (id.empty()) return "";
  return xmlQry.getNodeValueByParsedExpr(kTypeById, {id});
}

BaanFieldTable BaanFieldParser::getBaanFields() {
  BaanFieldTable table;
  auto ids = xmlQry.getNodesByParsedExpr(kFieldIds, {});
  if (!ids) return table;
  // One pass in document order: the first element of an id defines it; a repeated id keeps that definition.
  for (const XmlNode& attribute : *ids) {
    std::string id = attribute.value().value_or("");
    if (id.empty()) throw BaanFieldListError("A baan_field has an empty id");
    auto entry = table.find(id);
    if (entry == table.end()) {
      auto field = attribute.ownerElement();
      if (!field) continue;
      entry = table.emplace(id, definitionOf(*field, id)).first;
    }
    out_ << id << " : " << entry->second.toString() << "\n";
  }
  return table;
}

void BaanFieldParser::persistBaanFields(const std::string& outputFile) {
  writeFieldTable(outputFile, getBaanFields());
}

std::string BaanFieldParser::usage() {
  return "usage tev.framework.parser.BaanFieldParser baanFieldListFile persistedFile";
}

int BaanFieldParser::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) {
    out << usage() << "\n";
    return 0;
  }
  BaanFieldParser parser(out);
  if (!parser.initialize(args[0])) return 1;
  try {
    parser.persistBaanFields(args[1]);
  } catch (const Error& e) {
    err << "Failed to build the field dictionary: " << e.getMessage() << "\n";
    return 1;
  }
  out << parser.getBaanFieldType("orno").value_or("") << "\n";
  return 0;
}

}  // namespace tev
