#include "engine/baan_field_checks.h"

#include "config/baan_field_def.h"
#include "engine/param_manager.h"

namespace tev {

bool BaanFieldChecks::validate(const BaanFieldDef& entry, const std::string& value) {
  FieldCheckContext context;
  context.clock = clock;
  if (paramManager) context.dateFormat = [this] { return paramManager->getParamValue({"date_format"}); };
  return entry.validate(value, context);
}

std::string BaanFieldChecks::transform(const BaanFieldDef& entry, const std::string& value) {
  return entry.transform(value);
}

}  // namespace tev
