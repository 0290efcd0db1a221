#include "engine/param_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "engine/class_registry.h"
#include "engine/param_errors.h"
#include "engine/transaction.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr const char* kTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<param_value_list>
  <param_value id="date_format"></param_value>
</param_value_list>
)";

constexpr const char* kGlobal = R"(<?xml version="1.0" encoding="UTF-8"?>
<param_value_list>
  <param_value id="g_only">global</param_value>
  <param_value id="padded">  spaced  </param_value>
  <param_value id="blank_global">   </param_value>
  <param_value id="empty_global"></param_value>
  <param_value id="everywhere">global</param_value>
  <param_value id="whse_empty">global</param_value>
  <param_value id="trans_empty">global</param_value>
  <param_value id="user_empty">global</param_value>
  <param_value id="email">
    <param_value id="self">no</param_value>
    <param_value id="smtp_host">global.host</param_value>
    <param_value id="from_address">scanner@example.com</param_value>
  </param_value>
</param_value_list>
)";

// The transaction file of "Receipt": structure and values for automatic loading.
constexpr const char* kReceipt = R"(<?xml version="1.0" encoding="UTF-8"?>
<param_value_list>
  <param_value id="everywhere">trans</param_value>
  <param_value id="trans_empty"></param_value>
  <param_value id="t_only">trans</param_value>
  <param_value id="typed" type="a">alpha</param_value>
  <param_value id="typed" type="b">beta</param_value>
  <param_value id="email">
    <param_value id="smtp_host">trans.host</param_value>
  </param_value>
  <param_value id="flags" load_type="none">
    <param_value id="lower">yes</param_value>
    <param_value id="upper">YES</param_value>
    <param_value id="mixed">nO</param_value>
    <param_value id="letter">Y</param_value>
    <param_value id="blank"></param_value>
    <param_value id="spaced"> yes</param_value>
  </param_value>
  <param_value id="use_lots">yes</param_value>
  <param_value id="flag">YES</param_value>
  <param_value id="transfer">
    <param_value id="self">yes</param_value>
    <param_value id="def_ibd_loc">A-01</param_value>
  </param_value>
  <param_value id="no_such">x</param_value>
  <param_value id="count">5</param_value>
  <param_value id="bad_flag">maybe</param_value>
  <param_value id="base_value">from base</param_value>
  <param_value id="manual" load_type="manual">
    <param_value id="skipped">manual value</param_value>
    <param_value id="inner" load_type="manual">
      <param_value id="deep">deep value</param_value>
    </param_value>
    <param_value id="auto_inner" load_type="auto">
      <param_value id="shallow">shallow value</param_value>
    </param_value>
  </param_value>
  <param_value id="order_types" load_type="order">
    <param_value id="SO">
      <param_value id="self">yes</param_value>
      <param_value id="label">Sales</param_value>
    </param_value>
    <param_value id="PO">
      <param_value id="self">no</param_value>
      <param_value id="label">Purchase</param_value>
    </param_value>
    <param_value id="TR">
      <param_value id="self">Yes</param_value>
      <param_value id="label">Transfer</param_value>
    </param_value>
  </param_value>
</param_value_list>
)";

constexpr const char* kReceiptW1 = R"(<?xml version="1.0" encoding="UTF-8"?>
<param_value_list>
  <param_value id="everywhere">whse</param_value>
  <param_value id="whse_empty"></param_value>
  <param_value id="email">
    <param_value id="smtp_host">whse.host</param_value>
  </param_value>
  <param_value id="transfer">
    <param_value id="def_ibd_loc">W-07</param_value>
  </param_value>
</param_value_list>
)";

class FakeUser : public UserParams {
 public:
  std::optional<std::string> getParameterValue(const std::string& id) const override {
    auto it = params.find(id);
    if (it == params.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, std::string> params;
};

// A transaction class whose pm_ members automatic loading fills; pm_base_value is inherited.
struct ReceiptBase : ProcessingObject {
  std::string pm_base_value = "unset";
};
struct Receipt : ReceiptBase {
  // Filled by the leaves that the resolution tests read.
  std::string pm_everywhere, pm_trans_empty, pm_t_only, pm_typed, pm_smtp_host;
  std::string pm_use_lots = "unset";
  bool pm_flag = false;
  bool pm_transfer = false;
  std::string pm_def_ibd_loc = "unset";
  int pm_count = -1;
  bool pm_bad_flag = false;
  std::string pm_skipped = "unset";
  std::string pm_deep = "unset";
  std::string pm_shallow = "unset";
  std::vector<std::string> pm_order_types_keys{"unset"};
  std::vector<std::string> pm_order_types_display{"unset"};
};
// Lacks pm_order_types_display.
struct Partial : ProcessingObject {
  std::vector<std::string> pm_order_types_keys;
  std::string pm_t_only = "unset";
};

ClassRegistry makeRegistry() {
  ClassRegistry registry;
  registry.add(ClassDef<ReceiptBase>("tev.transaction.ReceiptBase", ClassRegistry::kTransactionUtils)
                   .TEV_MEMBER(ReceiptBase, pm_base_value)
                   .done());
  registry.add(ClassDef<Receipt>("tev.transaction.Receipt", "tev.transaction.ReceiptBase")
                   .TEV_MEMBER(Receipt, pm_everywhere)
                   .TEV_MEMBER(Receipt, pm_trans_empty)
                   .TEV_MEMBER(Receipt, pm_t_only)
                   .TEV_MEMBER(Receipt, pm_typed)
                   .TEV_MEMBER(Receipt, pm_smtp_host)
                   .TEV_MEMBER(Receipt, pm_use_lots)
                   .TEV_MEMBER(Receipt, pm_flag)
                   .TEV_MEMBER(Receipt, pm_transfer)
                   .TEV_MEMBER(Receipt, pm_def_ibd_loc)
                   .TEV_MEMBER(Receipt, pm_count)
                   .TEV_MEMBER(Receipt, pm_bad_flag)
                   .TEV_MEMBER(Receipt, pm_skipped)
                   .TEV_MEMBER(Receipt, pm_deep)
                   .TEV_MEMBER(Receipt, pm_shallow)
                   .TEV_MEMBER(Receipt, pm_order_types_keys)
                   .TEV_MEMBER(Receipt, pm_order_types_display)
                   .done());
  registry.add(ClassDef<Partial>("tev.transaction.Partial", ClassRegistry::kTransactionUtils)
                   .TEV_MEMBER(Partial, pm_order_types_keys)
                   .TEV_MEMBER(Partial, pm_t_only)
                   .done());
  return registry;
}

// The manager's own lines of one level.
std::vector<std::string> linesAt(const log::Capture& capture, spdlog::level::level_enum level) {
  std::vector<std::string> texts;
  for (const log::Line& line : capture.lines())
    if (line.logger == ParamManager::kLoggerName && line.level == level) texts.push_back(line.text);
  return texts;
}

// An installation with the environment "prod" (below "common"): the global file, the template, the
// transaction file of Receipt and the copy of warehouse W1.
class ParamManagerTest : public ::testing::Test {
 protected:
  ParamManagerTest() {
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("prod", "common");
    tree.writeFile("config/empty.xml", kTemplate);
    tree.writeFile("data/params/global_param_list.xml", kGlobal);
    tree.writeFile("env_prod/data/params/ReceiptTrans.xml", kReceipt);
    tree.writeFile("env_prod/data/params/W1/ReceiptTrans.xml", kReceiptW1);
    tree.writeFile("env_prod/data/params/OddTrans.xml", R"(<param_value_list>
  <param_value id="self">yes</param_value>
  <param_value id="t_only">odd</param_value>
  <param_value id="order_types"><param_value id="XX"><param_value id="label">No self</param_value>
  </param_value></param_value>
</param_value_list>)");
    tree.writeFile("env_prod/data/params/PartialTrans.xml", R"(<param_value_list>
  <param_value id="t_only">partial</param_value>
  <param_value id="order_types"><param_value id="SO"><param_value id="self">yes</param_value>
  </param_value></param_value>
</param_value_list>)");
    locator = std::make_unique<VRCParser>(tree.writeSettings(), "prod");
    manager = makeManager();
  }

  std::unique_ptr<ParamManager> makeManager() {
    auto made = std::make_unique<ParamManager>();
    made->setFileLocator(locator.get());
    made->setUserParams([this]() -> const UserParams* { return loggedIn ? &user : nullptr; });
    made->initialize();
    return made;
  }

  ParamObject target(ProcessingObject& object, const std::string& name) {
    return ParamObject{&object, "tev.transaction." + name, &registry};
  }

  testing::ConfigTree tree;
  std::unique_ptr<VRCParser> locator;
  FakeUser user;
  bool loggedIn = true;
  std::unique_ptr<ParamManager> manager;
  ClassRegistry registry = makeRegistry();
};

TEST_F(ParamManagerTest, FourLevelsTheFirstThatHasTheParameterWins) {
  user.params = {{"everywhere", "user"}, {"user_empty", ""}, {"smtp_host", "user.host"}};
  manager->loadWhseParams("W1", "Receipt");
  ASSERT_NE(manager->getWhseParamList(), nullptr);
  ASSERT_NE(manager->getTransParamList(), nullptr);

  struct Case {
    ParamIds path;
    const char* value;
    bool found;
  } cases[] = {
      {{"everywhere"}, "user", true},
      {{"user_empty"}, "", true},   // the user's empty value wins over the global one
      {{"whse_empty"}, "", true},   // so does the warehouse's
      {{"trans_empty"}, "", true},  // and the transaction's
      {{"t_only"}, "trans", true},
      {{"g_only"}, "global", true},
      {{"padded"}, "  spaced  ", true},  // a global value is used untrimmed
      {{"blank_global"}, "", false},     // a blank global value counts as missing
      {{"empty_global"}, "", false},
      {{"missing"}, "", false},
      {{"email", "smtp_host"}, "whse.host", true},  // two ids: never the user
      {{"email", "from_address"}, "scanner@example.com", true},
      {{"smtp_host"}, "user.host", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.path));
    log::Capture capture;
    EXPECT_EQ(manager->getParamValue(c.path), c.value);
    EXPECT_EQ(capture.contains("Failed to locate Param"), !c.found);
  }

  // Without a logged-in user the warehouse answers; without the warehouse file, the transaction file.
  loggedIn = false;
  EXPECT_EQ(manager->getParamValue({"everywhere"}), "whse");
  manager->loadWhseParams("W2", "Receipt");
  EXPECT_EQ(manager->getWhseParamList(), nullptr);
  EXPECT_EQ(manager->getParamValue({"everywhere"}), "trans");
  EXPECT_EQ(manager->getParamValue({"email", "smtp_host"}), "trans.host");
  EXPECT_EQ(manager->getParamValue({"whse_empty"}), "global");
  // The path of a group reads as the white space before its first child, found at the first level.
  EXPECT_EQ(manager->getParamValue({"transfer"}), "\n    ");
}

TEST_F(ParamManagerTest, ReadsWriteTheirSteps) {
  manager->loadWhseParams("W1", "Receipt");
  user.params = {{"everywhere", "user"}};
  {
    log::Capture capture;
    manager->getParamValue({"email", "smtp_host"});
    EXPECT_THAT(linesAt(capture, spdlog::level::debug),
                ElementsAre("Looking for param: /email/smtp_host", "Looking at whse level",
                            "Found Whse param:  whse.host"));
  }
  {
    log::Capture capture;
    manager->getParamValue({"g_only"});
    EXPECT_THAT(linesAt(capture, spdlog::level::debug),
                ElementsAre("Looking for param: /g_only", "Looking at user level", "Looking at whse level",
                            "Looking at transaction level", "Looking at global level",
                            "Found Global Param:  global"));
  }
  {
    log::Capture capture;
    manager->getParamValue({"everywhere"});
    EXPECT_THAT(
        linesAt(capture, spdlog::level::debug),
        ElementsAre("Looking for param: /everywhere", "Looking at user level", "Found User param:  user"));
  }
}

TEST_F(ParamManagerTest, TypesRestrictSteps) {
  manager->loadTransactionParams("Receipt");
  EXPECT_EQ(manager->getParamValue({"typed"}), "alpha");
  EXPECT_EQ(manager->getParamValue({"typed"}, ParamTypes{std::string("b")}), "beta");
  EXPECT_EQ(manager->getParamValue({"typed"}, ParamTypes{std::string("c")}), "");
  EXPECT_EQ(manager->getParamValue({"email", "smtp_host"}, ParamTypes{std::nullopt, std::nullopt}),
            "trans.host");
  EXPECT_THROW(manager->getParamValue({"email", "smtp_host"}, ParamTypes{std::nullopt}), IndexOutOfRange);
  try {
    manager->getBooleanParamValue({"typed", "x"}, ParamTypes{std::string("b"), std::nullopt});
    ADD_FAILURE();
  } catch (const InvalidParameter& e) {
    EXPECT_EQ(e.getMessage(), "/typed[b]/x has value: ");
  }
}

TEST_F(ParamManagerTest, YesNoReads) {
  manager->loadTransactionParams("Receipt");
  struct Case {
    ParamIds path;
    std::optional<bool> value;  // nothing: InvalidParameter
    const char* message;
  } cases[] = {
      {{"flags", "lower"}, true, ""},
      {{"flags", "upper"}, true, ""},
      {{"flags", "mixed"}, false, ""},
      {{"email", "self"}, false, ""},  // from the global file
      {{"flags", "letter"}, std::nullopt, "/flags/letter has value: Y"},
      {{"flags", "blank"}, std::nullopt, "/flags/blank has value: "},
      {{"flags", "spaced"}, std::nullopt, "/flags/spaced has value:  yes"},
      {{"flags", "missing"}, std::nullopt, "/flags/missing has value: "},
      {{"t_only"}, std::nullopt, "/t_only has value: trans"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.path));
    if (c.value) {
      EXPECT_EQ(manager->getBooleanParamValue(c.path), *c.value);
      continue;
    }
    try {
      manager->getBooleanParamValue(c.path);
      ADD_FAILURE() << "no InvalidParameter";
    } catch (const InvalidParameter& e) {
      EXPECT_EQ(e.getMessage(), c.message);
    }
  }
}

TEST_F(ParamManagerTest, FilesOfTheLevels) {
  log::Capture capture;
  // A warehouse without its own copy: the transaction file is still loaded.
  manager->loadWhseParams("W2", "Receipt");
  EXPECT_EQ(manager->getWhseParamList(), nullptr);
  EXPECT_NE(manager->getTransParamList(), nullptr);
  EXPECT_EQ(manager->getCurrentTransactionId(), "Receipt");
  EXPECT_TRUE(capture.contains("Whse params file not found. whse: W2, trans: Receipt"));
  EXPECT_TRUE(capture.contains("Loading the trans params file: " +
                               tree.path("env_prod/data/params/ReceiptTrans.xml")));

  // The one-argument form uses the current transaction.
  EXPECT_TRUE(manager->loadWhseParams("W1"));
  EXPECT_TRUE(capture.contains("Loading the whse params file: " +
                               tree.path("env_prod/data/params/W1/ReceiptTrans.xml")));
  EXPECT_FALSE(manager->loadWhseParams("W3"));
  EXPECT_TRUE(capture.contains("Whse Params file not found"));
  EXPECT_EQ(manager->getWhseParamList(), nullptr);

  // A transaction without a file: both levels none, automatic loading leaves the members alone.
  manager->loadWhseParams("W1", "Nothing");
  EXPECT_EQ(manager->getWhseParamList(), nullptr);
  EXPECT_EQ(manager->getTransParamList(), nullptr);
  EXPECT_TRUE(capture.contains("Trans params file not found. trans: Nothing"));
  Receipt receipt;
  manager->loadParameters({}, target(receipt, "Receipt"));
  manager->loadOrderTypes(target(receipt, "Receipt"));
  EXPECT_EQ(receipt.pm_use_lots, "unset");
  EXPECT_THAT(receipt.pm_order_types_keys, ElementsAre("unset"));
  EXPECT_EQ(manager->getParamValue({"g_only"}), "global");  // the global level stays

  // Without a locator nothing is found, and every read gives "".
  ParamManager bare;
  bare.initialize();
  EXPECT_FALSE(bare.loadTransactionParams("Receipt"));
  EXPECT_EQ(bare.getParamValue({"g_only"}), "");
}

TEST_F(ParamManagerTest, AutomaticLoadingFillsPmMembersByKind) {
  user.params = {{"use_lots", "no"}, {"def_ibd_loc", "user loc"}};
  manager->loadWhseParams("W1", "Receipt");
  Receipt receipt;
  log::Capture capture;
  manager->loadParameters({}, target(receipt, "Receipt"));

  EXPECT_EQ(receipt.pm_use_lots, "no");           // a text member gets the text; the user level applies
  EXPECT_TRUE(receipt.pm_flag);                   // a yes/no member gets the yes/no read
  EXPECT_TRUE(receipt.pm_transfer);               // transfer/self fills the member named after the group
  EXPECT_EQ(receipt.pm_def_ibd_loc, "W-07");      // two ids: warehouse level, not the user
  EXPECT_EQ(receipt.pm_base_value, "from base");  // declared by a base class
  EXPECT_EQ(receipt.pm_typed, "alpha");  // leaves are read without types: the first element of the id
  EXPECT_EQ(receipt.pm_smtp_host, "whse.host");
  EXPECT_EQ(receipt.pm_skipped, "unset");  // a group with another load_type is not loaded
  EXPECT_EQ(receipt.pm_deep, "unset");
  EXPECT_EQ(receipt.pm_shallow, "unset");
  EXPECT_EQ(receipt.pm_count, -1);
  EXPECT_FALSE(receipt.pm_bad_flag);
  EXPECT_THAT(receipt.pm_order_types_keys, ElementsAre("unset"));

  // Each failing leaf is logged once and skipped: a missing member, a member of another type and a yes/no
  // member holding another value.
  std::vector<std::string> failures = linesAt(capture, spdlog::level::warn);
  ASSERT_THAT(failures, SizeIs(3));
  EXPECT_THAT(failures[0], HasSubstr("/no_such: No field pm_no_such in tev.transaction.Receipt"));
  EXPECT_THAT(failures[1], HasSubstr("/count: "));
  EXPECT_THAT(failures[2], HasSubstr("/bad_flag: /bad_flag has value: maybe"));
  for (const std::string& failure : failures) EXPECT_THAT(failure, HasSubstr("ParamManager.loadParameters"));
}

TEST_F(ParamManagerTest, TheTargetOfARunningTransaction) {
  manager->loadWhseParams("W1", "Receipt");
  Transaction transaction;
  transaction.id = "Receipt";
  transaction.setClassRegistry(&registry);
  ParamObject object = ParamObject::of(transaction);
  EXPECT_EQ(object.className, "tev.transaction.Receipt");
  EXPECT_EQ(object.object, transaction.getProcessingObject());
  manager->loadParameters({}, object);
  EXPECT_EQ(dynamic_cast<Receipt&>(*transaction.getProcessingObject()).pm_def_ibd_loc, "W-07");
}

TEST_F(ParamManagerTest, BaseIdsStartTheLoadingAtTheirGroup) {
  manager = makeManager();
  manager->initialize({"manual"});
  manager->loadWhseParams("W1", "Receipt");
  Receipt receipt;
  log::Capture capture;
  manager->loadParameters({}, target(receipt, "Receipt"));
  // The named group is loaded whatever its load_type, groups below it only when "auto" or without one.
  EXPECT_EQ(receipt.pm_skipped, "manual value");
  EXPECT_EQ(receipt.pm_deep, "unset");
  EXPECT_EQ(receipt.pm_shallow, "shallow value");
  EXPECT_EQ(receipt.pm_use_lots, "unset");
  EXPECT_THAT(linesAt(capture, spdlog::level::warn), IsEmpty());
  // Reads by path still start at the root of each file.
  EXPECT_EQ(manager->getParamValue({"t_only"}), "trans");
  EXPECT_EQ(manager->getParamValue({"g_only"}), "global");
}

TEST_F(ParamManagerTest, AutomaticLoadingIntoATable) {
  user.params = {{"use_lots", "no"}};
  manager->loadWhseParams("W1", "Receipt");
  ParamTable table;
  manager->loadParameters({}, &table);
  EXPECT_EQ(table.at("use_lots"), "no");
  EXPECT_EQ(table.at("count"), "5");
  EXPECT_EQ(table.at("no_such"), "x");
  EXPECT_EQ(table.at("def_ibd_loc"), "W-07");
  EXPECT_EQ(table.at("self"), "yes");  // every self under its own id
  EXPECT_EQ(table.count("skipped"), 0u);
  EXPECT_EQ(table.count("flags"), 0u);
}

TEST_F(ParamManagerTest, ASelfDirectlyUnderTheRootFailsAlone) {
  manager->loadTransactionParams("Odd");
  Partial partial;
  log::Capture capture;
  manager->loadParameters({}, target(partial, "Partial"));
  EXPECT_EQ(partial.pm_t_only, "odd");
  std::vector<std::string> failures = linesAt(capture, spdlog::level::warn);
  ASSERT_FALSE(failures.empty());
  EXPECT_THAT(failures[0], HasSubstr("/self: The parameter self must lie inside a group"));
}

TEST_F(ParamManagerTest, OrderTypes) {
  manager->loadWhseParams("W1", "Receipt");
  Receipt receipt;
  manager->loadOrderTypes(target(receipt, "Receipt"));
  EXPECT_THAT(receipt.pm_order_types_keys, ElementsAre("SO", "TR"));
  EXPECT_THAT(receipt.pm_order_types_display, ElementsAre("Sales", "Transfer"));

  // An order type without self fails the whole operation.
  manager->loadWhseParams("W1", "Odd");
  Receipt untouched;
  try {
    manager->loadOrderTypes(target(untouched, "Receipt"));
    ADD_FAILURE();
  } catch (const InvalidParameter& e) {
    EXPECT_EQ(e.getMessage(), "/order_types/XX/self has value: ");
  }
  EXPECT_THAT(untouched.pm_order_types_keys, ElementsAre("unset"));

  // A missing member is named.
  manager->loadWhseParams("W1", "Partial");
  Partial partial;
  try {
    manager->loadOrderTypes(target(partial, "Partial"));
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.getMessage(), "No field pm_order_types_display in tev.transaction.Partial");
  }

  // No order_types in the file: nothing changes.
  tree.writeFile("env_prod/data/params/PlainTrans.xml", "<param_value_list/>");
  manager->loadWhseParams("W1", "Plain");
  Receipt plain;
  manager->loadOrderTypes(target(plain, "Receipt"));
  EXPECT_THAT(plain.pm_order_types_keys, ElementsAre("unset"));
}

// The demo installation: global parameters (with the service pack's copy) and a transaction file.
TEST(ParamManagerDemoTest, TheDemoParameters) {
  testing::InDemoDirectory inDemo;
  VRCParser locator("vav_settings.xml", "demo");
  ParamManager manager;
  manager.setFileLocator(&locator);
  manager.initialize();
  manager.loadWhseParams("", "InventoryInquiry");

  EXPECT_FALSE(manager.getBooleanParamValue({"email", "self"}));
  EXPECT_FALSE(manager.getBooleanParamValue({"implement_decimal_formatting"}));
  EXPECT_EQ(manager.getParamValue({"decimal_format_string"}), "0.00");
  EXPECT_EQ(manager.getParamValue({"emulator_display_defaults", "display_error_in_seconds"}), "3000");
  EXPECT_EQ(manager.getParamValue({"max_data_length_allowed"}), "40");
  EXPECT_EQ(manager.getParamValue({"email", "smtp_host"}), "127.0.0.1");

  ParamTable table;
  manager.loadParameters({}, &table);
  EXPECT_EQ(table.at("show_lots"), "yes");
  EXPECT_EQ(table.at("default_whse"), "WH1");
  ClassRegistry registry;
  struct Inquiry : ProcessingObject {
    std::vector<std::string> pm_order_types_keys;
    std::vector<std::string> pm_order_types_display;
  };
  registry.add(ClassDef<Inquiry>("tev.transaction.InventoryInquiry", ClassRegistry::kTransactionUtils)
                   .TEV_MEMBER(Inquiry, pm_order_types_keys)
                   .TEV_MEMBER(Inquiry, pm_order_types_display)
                   .done());
  Inquiry inquiry;
  manager.loadOrderTypes(ParamObject{&inquiry, "tev.transaction.InventoryInquiry", &registry});
  EXPECT_THAT(inquiry.pm_order_types_keys, ElementsAre("SO", "TR"));
  EXPECT_THAT(inquiry.pm_order_types_display, ElementsAre("Sales order", "Transfer order"));
}

}  // namespace
}  // namespace tev
