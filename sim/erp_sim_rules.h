// ErpSimRules: the simulator's back end, driven by a rules file and the data set it names. The demo's
// rules and data (demo/erp_sim/) are the one place where query numbers, function names and result columns
// are written down; anything else that needs them (transaction definitions, their tests) reads them from
// there, e.g. through queries() and functions().
//
// Rules file:
//
//   <erp_sim_rules data="data.xml">                  data file, relative to the rules file
//     <query no="1" id="validate_whse" executor="execute_query">     a function-server query
//       <rows table="warehouses" code="98" not_found="1,10,Warehouse {arg:0} not found">
//         <key column="cwar" equals="{arg:0}"/>      a row is taken when every key matches
//         <join table="items" column="item"/>        adds the columns of the first items row of that item
//         <column name="tcmcs003.sloc" from="sloc"/> the reply's values, in this order
//         <column name="dsca"/>
//         <column name="fixed" value="{arg:1}"/>     a value made from the request
//       </rows>
//     </query>
//     <function name="transfer_inventory">           a function-server call (booking)
//       <check value="{value:9}" pattern="[0-9]+" error="1,20,Invalid quantity"/>
//       <check table="stock" error="1,31,Not enough stock">
//         <key column="item" equals="{value:1}"/>
//         <at_least column="strs" value="{value:9}"/>
//       </check>
//       <reply>0,0,Transfer booked</reply>
//     </function>
//     <sql match="from items where item = '(.*)'">   an SQL request; groups of the expression as {group:N}
//       <rows table="items"><key column="item" equals="{group:1}"/><column name="dsca"/></rows>
//     </sql>
//     <login><reply>0{FS}0{FS}Welcome {login:0}</reply></login>
//     <other match="&lt;\?xml"><reply>~~NOTFOUND</reply></other>     any other request line
//   </erp_sim_rules>
//
// Matching: the rules of the request's kind are tried in the file's order and the first that matches
// answers (a query is tried against the query rules, then against the function rules under its executor's
// name). A rule matches when its attributes that are present fit: name (the function, exactly), server (the
// start of the server field, which may end with the installation's customer code), no and executor (the
// query), match (a regular expression searched in the SQL text of an SQL request and in the whole line
// otherwise). Every rule may carry delay_ms (wait before the answer).
//
// Answering: the checks run in order and the first that fails answers with its error text. A check with a
// table passes when some row matches all its keys and at_least conditions (numbers compared as numbers);
// a check with value and pattern passes when the value matches the pattern whole. Then <reply> answers with
// its text, or <rows> with the rows it selects: keys compare the row's value and the filled template, both
// trimmed (optional="yes" skips a key whose template fills to blank); for a function-server call or query,
// code "98" (the default) answers "1,98," and the first row's values joined by "~", code "99" writes all
// rows to a result file and answers "1,99," and its name (after the request's function-server path and a
// "/" when the request has one); for an SQL request row kind "N" answers "0~~" and the first row, row kind
// "F" a result file ("0~~" and its name). No row: the not_found text ("1,1,No data found" for calls and
// queries, "1~~" for SQL requests). Texts are templates (ErpSimTemplate).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/erp_sim_action.h"
#include "sim/erp_sim_data.h"
#include "sim/erp_sim_request.h"
#include "sim/erp_sim_rules_error.h"

namespace tev::sim {

class ErpSimRules {
 public:
  // What a query rule declares, for readers of the rules file.
  struct QueryInfo {
    std::string no;
    std::string id;        // the result name the callers use ("" when not given)
    std::string executor;  // "" when any executor
    std::string code;      // "98" or "99"; "" when the rule answers with a reply text
    std::vector<std::string> columns;
  };

  // Loads the rules file and the data file it names; throws ErpSimRulesError.
  static ErpSimRules load(const std::string& rulesPath);
  // Rules and data from texts (tests, benchmarks).
  static ErpSimRules parse(const std::string& rulesXml, const std::string& dataXml);

  ErpSimRules(ErpSimRules&&) noexcept;
  ErpSimRules& operator=(ErpSimRules&&) noexcept;
  ~ErpSimRules();

  // Where result files are written (the back end's result directory, mounted on the scanner server); the
  // current directory until set. Set it before the rules answer anything.
  void setResultDirectory(std::string directory);
  const std::string& resultDirectory() const;

  // The answer of the first rule that matches; nothing when none does. Safe from several threads at once.
  // A result file that cannot be written answers "1,0,..." (a failed back-end driver) and is logged.
  std::optional<ErpSimAction> answer(const ErpSimRequest& request) const;

  const ErpSimData& data() const;
  std::vector<QueryInfo> queries() const;
  // The names of the function rules that have one, in file order.
  std::vector<std::string> functions() const;

 private:
  struct Impl;
  explicit ErpSimRules(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tev::sim
