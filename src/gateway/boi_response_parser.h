// BoiResponseParser: the result document of a business-object reply: one BoiResponse per element child of
// the first "RecordSetB50cGenResultDoc" element, filled from the texts of its "resultstatus", "resultcode"
// and "resultdescription" elements (names trimmed).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gateway/boi_error.h"

namespace tev {

class BoiResponseParser {
 public:
  // Nothing when there is no result element. Throws XmlReplyError for a text that is not well-formed.
  std::optional<std::vector<BoiResponse>> getResultInformation(const std::string& text) const;
};

}  // namespace tev
