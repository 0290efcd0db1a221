// TransactionLogic: number and date texts, and the parameter copies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/clock.h"
#include "engine/param_errors.h"
#include "session/transaction_logic_test_support.h"

namespace tev {
namespace {

using testing::BoundLogic;

class LogicNumbersTest : public ::testing::Test {
 protected:
  LogicNumbersTest() { logic = &bound.bind("order", "qty"); }

  BoundLogic bound{{sim::makeForm("order", {sim::input("qty", "Qty:", 2, 1)})}};
  TransactionLogic* logic = nullptr;
};

TEST_F(LogicNumbersTest, DecimalsFromTheParameter) {
  struct Case {
    std::string decimals;
    double number;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{{"3", 2.5, "2.500"},
                                         {"2", 2.675, "2.67"},  // the binary value lies below 2.675
                                         {"2", 0.125, "0.12"},  // half-even
                                         {"2", 0.375, "0.38"},  // half-even
                                         {"1", 0.25, "0.2"},
                                         {"0", 7.0, "7.0"},  // at least one decimal
                                         {"-2", 7.0, "7.0"},
                                         {"2", 1234567.891, "1234567.89"},
                                         {"2", -0.004, "-0.00"},
                                         {"", 2.5, "2.5"},  // missing: the plain text
                                         {"two", 1e7, "1.0E7"},
                                         {" 2", 2.5, "2.5"}}) {
    SCOPED_TRACE("decimals '" + c.decimals + "', number " + std::to_string(c.number));
    bound.params->values["no_of_decimal_characters"] = c.decimals;
    EXPECT_EQ(logic->getFormattedNumberString(c.number), c.text);
  }
  bound.params->values["no_of_decimal_characters"] = "1";
  EXPECT_EQ(logic->getFormattedDoubleNumber(2.25), 2.2);
  EXPECT_EQ(logic->getFormattedDoubleNumber(2.35), 2.4);  // 2.35 is stored above 2.35
  bound.params->values["no_of_decimal_characters"] = "";
  bound.session.logs();
  logic->getFormattedNumberString(1.0);
  EXPECT_TRUE(bound.session.logs().contains(" no_of_decimal_characters Parameter not present "));
}

TEST_F(LogicNumbersTest, InstallationPattern) {
  struct Case {
    std::string pattern, separator;
    double number;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{{"", "", 2.5, "2.50"},  // defaults "0.00" and "."
                                         {"0.00", ".", 2.345, "2.35"},
                                         {"0.00", ".", 2.125, "2.12"},
                                         {"0.00", ",", 2.5, "2,50"},
                                         {"0.0000", ".", 1.2345, "1.2345"},
                                         {"0.0000", ".", 1.5, "1.5000"},
                                         {"0.0000", ",", 1.2345, "1,2345"},
                                         {"#,##0.0", ".", 12345.67, "12,345.7"},
                                         {"0.0'", ".", 2.5, "2.50"}}) {  // malformed: the default
    SCOPED_TRACE("pattern '" + c.pattern + "'");
    bound.params->values["decimal_format_string"] = c.pattern;
    bound.params->values["decimal_seperator"] = c.separator;
    EXPECT_EQ(logic->formatDoubleString(c.number), c.text);
  }
}

TEST_F(LogicNumbersTest, Dates) {
  FakeClock clock(std::chrono::sys_days(std::chrono::year{2026} / 10 / 5) + std::chrono::hours(12));
  Clock* previous = Clock::install(&clock);
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  EXPECT_EQ(logic->getCurrentDate(), "1052026");
  EXPECT_EQ(logic->getCurrentDay(), "5");
  clock.set(std::chrono::sys_days(std::chrono::year{2026} / 12 / 31) + std::chrono::hours(12));
  EXPECT_EQ(logic->getCurrentDate(), "12312026");
  Clock::install(previous);

  EXPECT_EQ(logic->formatDate(0), "1/1/1970");
  EXPECT_EQ(logic->formatDate(31), "2/1/1970");
  EXPECT_EQ(logic->formatDate(-1), "12/31/1969");
  EXPECT_EQ(logic->formatDate(20731), "10/5/2026");
}

TEST_F(LogicNumbersTest, ParameterCopies) {
  bound.params->values = {{"supp_lot_equal_baan_lot", "YES"},
                          {"lot_has_multiple_dates/self", "yes"},
                          {"lot_has_multiple_dates/user_input_lot_date", "maybe"},
                          {"project_in_use", "no"}};
  logic->loadParams();
  EXPECT_TRUE(logic->supp_lot_equal_baan_lot);
  EXPECT_TRUE(logic->lot_has_multiple_dates);
  // The first bad one ends the loading: the rest keep their values.
  EXPECT_FALSE(logic->user_input_lot_date);
  EXPECT_TRUE(logic->project_in_use);
  EXPECT_TRUE(bound.session.logs().contains(" Projects in Use Parameter not present "));

  bound.params->values["lot_has_multiple_dates/user_input_lot_date"] = "No";
  logic->loadParams();
  EXPECT_FALSE(logic->project_in_use);

  EXPECT_THROW(logic->getGlobalBooleanValue("anything"), InvalidParameter);
  TransactionLogic::globalParamHash["set"] = true;
  EXPECT_TRUE(logic->getGlobalBooleanValue("set"));
}

TEST_F(LogicNumbersTest, TheCopiesAreMembersByName) {
  ClassRegistry registry;
  registry.add(TransactionLogic::describe());
  const MemberAccess* member = registry.findMember(ClassRegistry::kTransactionLogic, "project_in_use", false);
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(member->kind, MemberKind::Boolean);
  EXPECT_EQ(std::get<bool>(member->get(*logic)), true);
  member->set(*logic, MemberValue(false));
  EXPECT_FALSE(logic->project_in_use);
}

}  // namespace
}  // namespace tev
