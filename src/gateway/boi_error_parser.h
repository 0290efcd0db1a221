// BoiErrorParser: the error document of a business-object reply. Its root is the first element named
// "BaanErrorDoc", else the first named "Errors"; below each element child of the root, the texts of the
// field elements named "ErrorDescription", "errorDescription" or "errorText" (names trimmed) make the error
// description (a FS after each text of a field element that has more than one child node).
#pragma once

#include <optional>
#include <string>

#include "gateway/boi_error.h"
#include "gateway/gateway_errors.h"

namespace tev {

class BoiErrorParser {
 public:
  static inline const std::string FIELD_SEPERATOR = std::string(1, '\x1c');

  // The error of the document; nothing when it has neither root element. Throws XmlReplyError for a text
  // that is not well-formed.
  std::optional<BoiError> getErrorInformation(const std::string& text) const;
};

}  // namespace tev
