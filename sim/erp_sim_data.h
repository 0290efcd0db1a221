// ErpSimData: the simulator's small ERP data set, read from an XML file of tables of rows; each attribute of
// a row is one column:
//
//   <erp_sim_data>
//     <table id="items">
//       <row item="ITEM-100" dsca="Blue widget" stgu="pcs" kltc="2"/>
//     </table>
//   </erp_sim_data>
//
// Rows keep the order of the file. A column a row does not have reads as missing (the rules send "" for it).
// The data is read once and never changed, so any number of connections may read it at once.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tev::sim {

class ErpSimXml;

class ErpSimData {
 public:
  using Row = std::map<std::string, std::string, std::less<>>;
  using Table = std::vector<Row>;

  ErpSimData() = default;
  // Reads a data file / text; throws ErpSimRulesError (the file's name, the line and the cause).
  static ErpSimData load(const std::string& path);
  static ErpSimData parse(const std::string& xml, const std::string& name = "data");

  // The table of that id; nullptr when the data has none.
  const Table* table(std::string_view id) const;
  std::vector<std::string> tableIds() const;

  // The value of a column of a row; nullptr when the row has no such column.
  static const std::string* value(const Row& row, std::string_view column);

 private:
  static ErpSimData fromXml(const ErpSimXml& xml);

  std::map<std::string, Table, std::less<>> tables_;
};

}  // namespace tev::sim
