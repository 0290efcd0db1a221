// SQLStatement: one query of a transaction definition (its `sql` element) or of the environment's standard
// query list (sql_list.xml). The definition reader fills it; the back-end gateway reads it to build the SQL
// text of an SQL request (the elements in order, each field element taking the next input value) or to send
// the query number through a function-server query, and takes the result's column names from the select list
// of the text.
//
// The statement holds no connection and sends nothing: getSQL builds the text, the request handler sends it.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "config/baan_field_def.h"

namespace tev {

class SQLStatement {
 public:
  // One element of the query text, in document order: a piece of text taken as it stands, or the dictionary
  // entry of an input value (an entry with the id "" and nothing else when the dictionary had none).
  using Element = std::variant<std::string, BaanFieldDef>;

  // The row type of a one-row query (compared exactly).
  static inline const std::string SINGLE_ROW = "single";

  SQLStatement() = default;

  std::string id;
  // The query number a function-server query sends ("" when the definition gives none).
  std::string queryNo;
  std::vector<Element> sqlElements;
  // "single" for one-row queries; anything else means a result file.
  std::string rowType;
  // The message shown when the query finds no rows, and its text in the session's language (nothing when the
  // message list has no such id).
  std::string errorMessageId;
  std::optional<std::string> errorMessage;

  // The number of field elements (the input values an SQL request of this statement takes).
  int fieldCount() const;

  // The SQL text: the elements joined without separators, a text element as it stands, each field element
  // taking the next input value shaped by its entry (transformSql of formatValue: letter case, right
  // alignment to the field length, single quotes around "string" values). Values beyond the field elements
  // are not used. Throws IndexOutOfRange when there are fewer values than field elements, and whatever the
  // entry's formatting throws (IndexOutOfRange for a negative length).
  std::string getSQL(const std::vector<std::string>& values) const;

  // "id: " id ", type: " rowType ", errorMessageId: " errorMessageId ", sql: " and the elements joined
  // without separators, each field element written as "<" + its entry's text + ">".
  std::string toString() const;
};

}  // namespace tev
