// BaanFieldChecks: the field dictionary's rules behind the fields of forms (FieldChecks). A value is checked
// by its entry's data type, with the date pattern of the parameter "date_format" read through the session's
// parameter manager at each date check (the manager follows the transaction started last), and field input
// takes the entry's letter case.
#pragma once

#include <string>

#include "engine/field_checks.h"

namespace tev {

class Clock;
class ParamManager;

class BaanFieldChecks : public FieldChecks {
 public:
  // paramManager: where "date_format" is read (not owned; nullptr: no parameter). clock: "today" for the
  // date check (not owned; nullptr: Clock::current()).
  explicit BaanFieldChecks(ParamManager* paramManager, const Clock* clock = nullptr)
      : paramManager(paramManager), clock(clock) {}

  bool validate(const BaanFieldDef& entry, const std::string& value) override;
  std::string transform(const BaanFieldDef& entry, const std::string& value) override;

 private:
  ParamManager* paramManager;
  const Clock* clock;
};

}  // namespace tev
