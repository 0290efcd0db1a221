// Fields and forms on a scripted scanner, for the engine's tests: a terminal on a scripted peer (from the
// terminal's own test support), a fake field dictionary plugged into the field services, and small builders.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/baan_field_def.h"
#include "engine/field.h"
#include "engine/field_checks.h"
#include "engine/field_services.h"
#include "engine/single_field.h"
#include "terminal/terminal_test_support.h"

namespace tev::testing {

// A field dictionary that refuses the values it is told to refuse and converts the letter case as the
// entry's case type says; it records what it was asked.
class FakeFieldChecks : public FieldChecks {
 public:
  std::set<std::string> refused;
  std::vector<std::string> validated;

  bool validate(const BaanFieldDef& /*entry*/, const std::string& value) override {
    validated.push_back(value);
    return refused.count(value) == 0;
  }
  std::string transform(const BaanFieldDef& entry, const std::string& value) override {
    if (entry.getCaseType() == "upper") return toUpper(value);
    return value;
  }

 private:
  static std::string toUpper(std::string text) {
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
  }
};

inline BaanFieldDef entry(const std::string& dataType, const std::string& caseType = "none") {
  return BaanFieldDef("entry", dataType, "left", caseType, 10);
}

// A field of kind F with id, label, position and property words; it carries a "string" dictionary entry.
template <class F = SingleField>
std::unique_ptr<F> makeField(const std::string& id, const std::optional<std::string>& label, int row, int col,
                             const std::vector<std::string>& words = {}, const std::string& value = "") {
  auto field = std::make_unique<F>();
  field->id = id;
  field->label = label;
  field->row = std::to_string(row);
  field->col = std::to_string(col);
  field->value = value;
  field->typeInfo = entry("string");
  field->fieldAttrVector = words;
  return field;
}

// A terminal of the given size on a scripted peer, with the fake dictionary in the field services (the
// previous services are put back afterwards) and the message "f003".
class FieldTest : public TerminalTest {
 protected:
  FieldTest() : FieldTest(16, 20) {}
  FieldTest(int rows, int columns) : TerminalTest(rows, columns), saved(fieldServices()) {
    fieldServices() = FieldServices{};
    fieldServices().checks = &checks;
    host.messages.setMessage("f003", "Invalid input");
  }
  ~FieldTest() override { fieldServices() = saved; }

  FakeFieldChecks checks;
  FieldServices saved;
};

}  // namespace tev::testing
