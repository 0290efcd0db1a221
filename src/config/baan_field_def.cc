#include "config/baan_field_def.h"

#include <utility>

#include "common/java_text.h"

namespace tev {

BaanFieldDef::BaanFieldDef(std::string id, std::optional<std::string> dataType,
                           std::optional<std::string> alignment, std::optional<std::string> caseType,
                           std::int32_t length)
    : id(std::move(id)),
      dataType(std::move(dataType)),
      alignment(std::move(alignment)),
      caseType(std::move(caseType)),
      length(length) {}

std::string BaanFieldDef::toString() const {
  return "ID: " + id + ", Data Type: " + nullText(dataType) + ", Alignment: " + nullText(alignment) +
         ", Case: " + nullText(caseType) + ", Length: " + std::to_string(length);
}

}  // namespace tev
