// The Syteline request documents: a query document (the query number and the statement's input values) and
// an update document (the statement's argument values, and optionally the records of a line statement nested
// in one fieldValueList). Every value is escaped ("&", ">", "<"); quotes are not.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/fserver_statement.h"
#include "engine/sql_statement.h"

namespace tev::syteline {

using Rows = std::vector<std::vector<std::string>>;

struct Caller {
  std::string user;
  std::string deviceId;
  std::string datetime;                    // "yyyy-MM-dd HH:mm:ss"
  std::optional<std::string> userInitial;  // the user parameter user_initial
};

// <sytelineQueryRequest>: user, device, time, queryName and one fieldValueList per field element of the
// statement (the j-th taking values[j], "" when values runs out).
std::string queryDocument(const SQLStatement& statement, const std::vector<std::string>& values,
                          const Caller& caller);
// <sytelineUpdateRequest>: user, the user's initial when given, device, time, updateName and one
// fieldValueList per argument (argument-value rule), then the line inputs when a line statement is given.
// A count of values that differs from the arguments throws FunctionStringError ("Invalid No.of Arguments",
// the function string's window); so does a line record of the wrong length (the ERP LN line window).
std::string updateDocument(const FServerStatement& statement, const std::vector<std::string>& values,
                           const FServerStatement* lineStatement, const std::optional<Rows>& lineRows,
                           const Caller& caller, const BackendUserPrefix& prefix = {});
// "<inputs name='fserverName'>" and the fieldValueList of every argument of every record, "</inputs>"; ""
// without rows.
std::string lineInputs(const FServerStatement& statement, const std::optional<Rows>& rows,
                       const BackendUserPrefix& prefix = {});

}  // namespace tev::syteline
