// The ERP LN ("BDE") request: a SOAP envelope for the ERP LN business interface, sent with the kind "SOA"
// (the handler puts the request-line header, "SOA", the company and a blank in front). The data area holds
// one element per record of a statement, <q0:fserverName>, and in it one element per argument whose value
// (argument-value rule) is not blank, named after the argument, with "&", "<" and ">" escaped. A record may
// nest the records of a second statement (the lines) before it closes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/fserver_statement.h"

namespace tev::bde {

using Rows = std::vector<std::vector<std::string>>;

// The fixed base of the business-interface namespace; the statement's function-server name (or "Tev" +
// customer code + "Query") is appended.
inline const std::string NAMESPACE_BASE = "http://erpln.tev.local/businessinterface/";

// The data elements of every record of rows, in order ("" for none). A record whose count of values differs
// from the statement's arguments throws FunctionStringError ("Invalid No.of Arguments" with its window).
std::string dataElements(const FServerStatement& statement, const Rows& rows,
                         const BackendUserPrefix& prefix = {});
// One record with the lines nested before its closing element (lines only when both are given). The lines
// are built before the count of values is checked.
std::string record(const FServerStatement& statement, const std::vector<std::string>& values,
                   const FServerStatement* lineStatement, const Rows* lineRows,
                   const BackendUserPrefix& prefix = {});
// The XML declaration and the envelope around the data. encoding: boi / xml_encoding ("ISO-8859-1" when
// missing); customerCode: skerrymantle / customer_code.
std::string envelope(const FServerStatement& statement, const std::optional<std::string>& encoding,
                     const std::optional<std::string>& customerCode, const std::string& data);

}  // namespace tev::bde
