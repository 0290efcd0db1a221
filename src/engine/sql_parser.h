// SqlParser: the environment's standard query list ("sql_list.xml"), read into SQLStatement objects by id for
// the back end, which falls back on it when a transaction does not define a query itself.
//
//   <sql_list>
//     <sql id="item_desc" row_type="single" query_no="" err_no="item_not_found">select t.dsca from tcibd001
//       where t.item = <field id="item"/></sql>
//   </sql_list>
//
// Text pieces that are not blank are taken as they stand; every child element with an `id` becomes a field
// element holding the dictionary entry of that id (an empty entry when the dictionary has none). Statements
// are built on first use and kept.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "common/log.h"
#include "engine/sql_statement.h"
#include "engine/transaction_xml_parser.h"
#include "xml/xml_query.h"

namespace tev {

class SqlParser {
 public:
  explicit SqlParser(FieldDictionary baanFieldDefList);

  // Loads the query list, logging "Loading the sql list file: " and "Loaded the sql list file: " with the
  // file name; false, logging "Failed to load the sql list file: " with the file name, when it cannot be
  // loaded (a list loaded before is then kept).
  bool initialize(const std::string& fileName);
  // The statement of that id; nullptr for "" and for an id the list does not hold.
  std::shared_ptr<SQLStatement> getSQLStatement(const std::string& id);

 private:
  std::shared_ptr<SQLStatement> build(const XmlNode& sqlNode) const;

  XMLQuery xmlQuery;
  std::map<std::string, std::shared_ptr<SQLStatement>> queriesHash;
  FieldDictionary baanFieldDefList;
  log::Logger logger;
};

}  // namespace tev
