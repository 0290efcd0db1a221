// The direct web-service ("BTA") request texts: the SOAP request of a function-server statement and the input
// list of a query statement. Values are written as given (no argument-value rule) with "&", "<" and ">"
// escaped, like every XML text this system writes.
#pragma once

#include <string>
#include <vector>

#include "engine/fserver_statement.h"
#include "engine/sql_statement.h"

namespace tev::bta {

struct SoapCaller {
  std::string user;
  std::string deviceId;
  std::string datetime;      // "MMddyy HH:mm"
  std::string namespaceUrn;  // bound to the prefix bta2
};

// The SOAP envelope: <bta2:function> with arg0 (user, device, time) and arg1 (one element per argument,
// named after it, holding values[i]). values must hold at least one value per argument (extra ones are
// ignored); fewer throws IndexOutOfRange.
// Values at the positions of xmlPositions are XML already (a query input list, escaped inside) and are
// written as they are.
std::string soapRequest(const FServerStatement& statement, const std::vector<std::string>& values,
                        const SoapCaller& caller, const std::vector<std::size_t>& xmlPositions = {});
// One <fieldValueList><name>id</name><value>value</value></fieldValueList> per field element of the
// statement, the j-th taking values[j] ("" when values runs out).
std::string queryInputList(const SQLStatement& statement, const std::vector<std::string>& values);

}  // namespace tev::bta
