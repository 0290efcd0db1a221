// BDEReplyParser: the SOAP reply of the ERP LN business interface. A reply with "SOAP-ENV:Fault" elements is
// an error (its detail's message texts); any other reply is a response whose "outData" text is the coded
// status line. parse97Reply reads an XML result document: one row per "row" element.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/transaction.h"
#include "gateway/boi_error.h"

namespace tev {

class BDEReplyParser {
 public:
  static inline const std::string FIELD_SEPERATOR = std::string(1, '\x1c');

  const std::optional<BoiError>& getError() const { return boiError; }
  const std::optional<BoiResponse>& getResponse() const { return boiResponse; }
  bool isErrorPresent() const { return errorFlag; }

  // Reads the rows of the result document at path (its own declared encoding). Throws XmlReplyError when
  // it cannot be read or is not well-formed.
  std::vector<QryRow> parse97Reply(const std::string& path) const;
  // Fills the error or the response. Throws XmlReplyError for a text that is not well-formed.
  void parseReply(const std::string& text);

 private:
  std::optional<BoiError> boiError;
  std::optional<BoiResponse> boiResponse;
  bool errorFlag = false;
};

}  // namespace tev
