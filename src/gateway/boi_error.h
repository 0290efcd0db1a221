// BoiError and BoiResponse: what a business-object or ERP LN reply document says, as its parsers read it.
// BoiError carries the error text (and, for ERP LN faults, every message text of the fault); BoiResponse
// one result record (status, code, description).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tev {

struct BoiError {
  BoiError() = default;
  BoiError(std::string status, std::string code, std::string desc)
      : errorStatus(std::move(status)), errorCode(std::move(code)), errorDesc(std::move(desc)) {}

  std::string errorStatus = "1";
  std::string errorCode = "-1";
  std::string errorDesc;
  std::string typeOfError;
  std::vector<std::string> errorCodeVector;

  void addError(const std::string& text) { errorCodeVector.push_back(text); }
  std::string toString() const { return errorDesc; }
};

struct BoiResponse {
  BoiResponse() = default;
  BoiResponse(std::string status, std::string code, std::string desc)
      : resultStatus(std::move(status)), resultCode(std::move(code)), resultDesc(std::move(desc)) {}

  std::string resultStatus = "0";
  std::string resultCode = "0";
  std::string resultDesc;

  // " Result Status = " status "  resultCode = " code "  resultDesc = " description (not written anywhere).
  std::string toString() const {
    return " Result Status = " + resultStatus + "  resultCode = " + resultCode +
           "  resultDesc = " + resultDesc;
  }
};

}  // namespace tev
