// FieldChecks: what a field asks of the ERP field dictionary when it checks and converts its value. The
// scanner process plugs in the dictionary's own rules (number, date, time, yes/no checks and the letter-case
// conversion of the entry); tests plug in small fakes.
#pragma once

#include <string>

namespace tev {

class BaanFieldDef;

class FieldChecks {
 public:
  virtual ~FieldChecks() = default;
  // The entry's rule for its data type: true when the value is valid.
  virtual bool validate(const BaanFieldDef& entry, const std::string& value) = 0;
  // The entry's conversion of field input (its letter case).
  virtual std::string transform(const BaanFieldDef& entry, const std::string& value) = 0;
};

}  // namespace tev
