#include "gateway/syteline_request.h"

#include <variant>

#include "gateway/gateway_xml.h"

namespace tev::syteline {
namespace {

std::string fieldValue(const std::string& name, const std::string& value) {
  return "<fieldValueList><name>" + name + "</name><value>" + gateway_xml::escape(value) +
         "</value></fieldValueList>";
}

std::string header(const Caller& caller, bool withInitial) {
  std::string xml = "<username>" + gateway_xml::escape(caller.user) + "</username>";
  if (withInitial && caller.userInitial)
    xml += "<userInitial>" + gateway_xml::escape(*caller.userInitial) + "</userInitial>";
  xml += "<deviceId>" + gateway_xml::escape(caller.deviceId) + "</deviceId>";
  xml += "<datetime>" + caller.datetime + "</datetime>";
  return xml;
}

std::string argumentValues(const FServerStatement& statement, const std::vector<std::string>& values,
                           const BackendUserPrefix& prefix) {
  std::string xml;
  for (std::size_t i = 0; i < statement.functionArguments.size(); ++i)
    xml += fieldValue(statement.fieldIds[i], statement.getArgumentValue(i, values, prefix));
  return xml;
}

}  // namespace

std::string queryDocument(const SQLStatement& statement, const std::vector<std::string>& values,
                          const Caller& caller) {
  std::string xml = "<sytelineQueryRequest>" + header(caller, false);
  xml += "<queryName>" + statement.queryNo + "</queryName><inputs>";
  std::size_t j = 0;
  for (const SQLStatement::Element& element : statement.sqlElements) {
    const BaanFieldDef* field = std::get_if<BaanFieldDef>(&element);
    if (field == nullptr) continue;
    xml += fieldValue(field->getId(), j < values.size() ? values[j] : "");
    ++j;
  }
  return xml + "</inputs></sytelineQueryRequest>";
}

std::string updateDocument(const FServerStatement& statement, const std::vector<std::string>& values,
                           const FServerStatement* lineStatement, const std::optional<Rows>& lineRows,
                           const Caller& caller, const BackendUserPrefix& prefix) {
  if (values.size() != statement.functionArguments.size()) {
    throw FunctionStringError(
        "Invalid No.of Arguments",
        "Invalid no.of arguments passed to build Driver request - XML File FServer Fields Count:" +
            std::to_string(statement.functionArguments.size()) +
            " Input Values Count:" + std::to_string(values.size()),
        "Press Enter to continue");
  }
  std::string xml = "<sytelineUpdateRequest>" + header(caller, true);
  xml += "<updateName>" + statement.fserverName + "</updateName><inputs>";
  xml += argumentValues(statement, values, prefix);
  if (lineStatement != nullptr)
    xml += "<fieldValueList>" + lineInputs(*lineStatement, lineRows, prefix) + "</fieldValueList>";
  return xml + "</inputs></sytelineUpdateRequest>";
}

std::string lineInputs(const FServerStatement& statement, const std::optional<Rows>& rows,
                       const BackendUserPrefix& prefix) {
  if (!rows) return "";
  std::string xml = "<inputs name='" + statement.fserverName + "'>";
  for (const std::vector<std::string>& record : *rows) {
    if (record.size() != statement.functionArguments.size()) {
      throw FunctionStringError(
          "Invalid No.of Arguments",
          "Invalid no.of arguments passed to build Driver request for BDE in getBDEStringWithNoHeaders =" +
              statement.fserverName +
              " , Expected Length = " + std::to_string(statement.functionArguments.size()) +
              " received length of Input =" + std::to_string(record.size()),
          "Press Enter to continue");
    }
    xml += argumentValues(statement, record, prefix);
  }
  return xml + "</inputs>";
}

}  // namespace tev::syteline
