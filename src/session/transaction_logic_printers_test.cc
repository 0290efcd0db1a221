// TransactionLogic: printer look-ups in the environment's printer list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "labels/printer_manager.h"
#include "session/transaction_logic_test_support.h"

namespace tev {
namespace {

using testing::BoundLogic;
using ::testing::ElementsAre;

class LogicPrintersTest : public ::testing::Test {
 protected:
  LogicPrintersTest() {
    PrinterManager::reset();
    tree.settings().standardEnvironment("common");
    tree.settings().standardEnvironment("prod", "common");
    settingsPath = tree.writeSettings();
    logic = &bound.bind("order");
  }
  ~LogicPrintersTest() override { PrinterManager::reset(); }

  void writeList() {
    tree.writeFile("env_prod/data/printer_list.xml",
                   "<printer_list>"
                   "<printer id=\"P1\"><display_name>Dock 1</display_name>"
                   "<network_path>\\\\srv\\dock1</network_path><description>Zebra at dock 1</description>"
                   "</printer>"
                   "<printer id=\"P2\"><display_name>Office</display_name>"
                   "<network_path>\\\\srv\\office</network_path></printer>"
                   "</printer_list>");
  }

  BoundLogic bound{{sim::makeForm("order", {sim::input("prn", "Prn:", 2, 1)})}};
  ::tev::testing::ConfigTree tree;
  std::string settingsPath;
  TransactionLogic* logic = nullptr;
};

TEST_F(LogicPrintersTest, LookUpsByDisplayName) {
  writeList();
  VRCParser locator(settingsPath, "prod");
  VAVInterface::vrcParser = &locator;

  struct Case {
    std::string name;
    std::optional<std::string> path, description;
  };
  for (const Case& c : std::vector<Case>{{" dock 1 ", "\\\\srv\\dock1", "Zebra at dock 1"},
                                         {"DOCK 1", "\\\\srv\\dock1", "Zebra at dock 1"},
                                         {"office", "\\\\srv\\office", std::nullopt},
                                         {"Dock 2", std::nullopt, std::nullopt}}) {
    EXPECT_EQ(logic->getPrinterNetworkPath(c.name), c.path) << c.name;
    EXPECT_EQ(logic->getPrinterDescription(c.name), c.description) << c.name;
  }
  EXPECT_TRUE(
      bound.session.logs().contains("Into getPrinterNetworkPath method on TransactionLogic  dock 1 "));
  EXPECT_THAT(*logic->getPrinterDisplayNames(), ElementsAre("Dock 1", "Office"));
  EXPECT_THAT(*logic->getPrinterNetworkPaths(), ElementsAre("\\\\srv\\dock1", "\\\\srv\\office"));
  ASSERT_TRUE(logic->printerList.has_value());
  EXPECT_EQ(logic->printerList->getPrinter().size(), 2u);
}

TEST_F(LogicPrintersTest, NoListGivesNothing) {
  // Without a file locator, and with a locator but no file.
  EXPECT_EQ(logic->getPrinterNetworkPath("Dock 1"), std::nullopt);
  VRCParser locator(settingsPath, "prod");
  VAVInterface::vrcParser = &locator;
  EXPECT_EQ(logic->getPrinterDisplayNames(), std::nullopt);
  EXPECT_EQ(logic->getPrinterNetworkPaths(), std::nullopt);
  EXPECT_EQ(logic->getPrinterDescription("Dock 1"), std::nullopt);
  EXPECT_TRUE(bound.session.logs().contains("Failed to load printer list"));
}

}  // namespace
}  // namespace tev
