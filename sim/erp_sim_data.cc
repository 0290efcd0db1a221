#include "sim/erp_sim_data.h"

#include "sim/erp_sim_xml.h"

namespace tev::sim {

ErpSimData ErpSimData::load(const std::string& path) {
  return fromXml(ErpSimXml::load(path));
}

ErpSimData ErpSimData::parse(const std::string& text, const std::string& name) {
  return fromXml(ErpSimXml::parse(text, name));
}

ErpSimData ErpSimData::fromXml(const ErpSimXml& xml) {
  ErpSimData data;
  XmlNode root = xml.root("erp_sim_data");
  for (const XmlNode& tableNode : root.elementChildren()) {
    xml.expectName(tableNode, "table");
    xml.expectAttributes(tableNode, {"id"});
    Table& table = data.tables_[xml.required(tableNode, "id")];
    for (const XmlNode& rowNode : tableNode.elementChildren()) {
      xml.expectName(rowNode, "row");
      table.push_back(xml.attributes(rowNode));
    }
  }
  return data;
}

const ErpSimData::Table* ErpSimData::table(std::string_view id) const {
  auto it = tables_.find(id);
  return it == tables_.end() ? nullptr : &it->second;
}

std::vector<std::string> ErpSimData::tableIds() const {
  std::vector<std::string> ids;
  for (const auto& [id, table] : tables_) ids.push_back(id);
  return ids;
}

const std::string* ErpSimData::value(const Row& row, std::string_view column) {
  auto it = row.find(column);
  return it == row.end() ? nullptr : &it->second;
}

}  // namespace tev::sim
