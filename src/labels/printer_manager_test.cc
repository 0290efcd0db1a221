#include "labels/printer_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vrc_parser.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::readFile;
using testing::TempDir;

constexpr const char* kPrinters = R"(<?xml version="1.0" encoding="UTF-8"?>
<printer_list>
  <printer id="P1">
    <display_name>Dock One</display_name>
    <network_path>\\srv\dock1</network_path>
    <description>Zebra at dock 1</description>
  </printer>
  <printer id=" P 2 ">
    <display_name>Office</display_name>
    <network_path>\\srv\office</network_path>
    <description>Laser</description>
  </printer>
  <printer id="P3">
    <display_name>dock one</display_name>
    <network_path>\\srv\dock1b</network_path>
    <description>Second dock printer</description>
  </printer>
  <printer id="P4"/>
</printer_list>
)";

std::vector<std::string> texts(const log::Capture& capture) {
  std::vector<std::string> out;
  for (const log::Line& line : capture.lines()) out.push_back(line.text);
  return out;
}

class PrinterManagerTest : public ::testing::Test {
 protected:
  PrinterManagerTest() {
    PrinterManager::reset();
    path = dir.write("printer_list.xml", kPrinters);
  }
  ~PrinterManagerTest() override { PrinterManager::reset(); }

  std::vector<std::string> idsInFile(const std::string& file) {
    PrinterManager::reset();
    std::optional<printer::PrinterListType> list = PrinterManager::getPrinterList(file);
    std::vector<std::string> ids;
    if (list)
      for (const printer::PrinterType& p : list->getPrinter()) ids.push_back(p.getId().value_or("<none>"));
    return ids;
  }

  TempDir dir;
  std::string path;
  log::Capture capture;
  PrinterManager manager;
};

TEST_F(PrinterManagerTest, NothingIsAnsweredBeforeALoad) {
  EXPECT_FALSE(PrinterManager::initialize(dir.file("missing.xml")));
  EXPECT_EQ(manager.getPrinter("P1"), std::nullopt);
  EXPECT_EQ(manager.getPrinterNetworkPath("Dock One"), std::nullopt);
  EXPECT_EQ(manager.getPrinterDescription("Dock One"), std::nullopt);
  EXPECT_EQ(manager.getPrinterDisplayNames(), std::nullopt);
  EXPECT_EQ(manager.getPrinterNetworkPaths(), std::nullopt);
  EXPECT_FALSE(manager.addPrinter("P9", "New", "\\\\srv\\new", "", path));
  EXPECT_FALSE(manager.modifyPrinter("P1", "New", "\\\\srv\\new", "", path));
  EXPECT_FALSE(manager.deletePrinter("P1", path));
  EXPECT_FALSE(manager.saveFile(path));
  EXPECT_EQ(readFile(path), kPrinters);
}

TEST_F(PrinterManagerTest, LooksUpByIdAndByDisplayName) {
  ASSERT_TRUE(PrinterManager::initialize(path));
  EXPECT_THAT(*manager.getPrinterDisplayNames(), ElementsAre("Dock One", "Office", "dock one", ""));
  EXPECT_THAT(*manager.getPrinterNetworkPaths(),
              ElementsAre("\\\\srv\\dock1", "\\\\srv\\office", "\\\\srv\\dock1b", ""));

  // Ids: blanks around the given id (and around the stored one) do not count, letter case does.
  ASSERT_TRUE(manager.getPrinter(" P1\t"));
  EXPECT_EQ(manager.getPrinter(" P1\t")->getDisplayName(), "Dock One");
  EXPECT_EQ(manager.getPrinter("p1"), std::nullopt);
  ASSERT_TRUE(manager.getPrinter("P 2"));
  EXPECT_EQ(manager.getPrinter("P 2")->getId(), "P 2");

  // Display names: case and surrounding blanks do not count; the first printer in file order answers.
  EXPECT_EQ(manager.getPrinterNetworkPath("  DOCK one "), "\\\\srv\\dock1");
  EXPECT_EQ(manager.getPrinterDescription("  DOCK one "), "Zebra at dock 1");
  EXPECT_EQ(manager.getPrinterNetworkPath("office"), "\\\\srv\\office");
  EXPECT_EQ(manager.getPrinterNetworkPath("Dock"), std::nullopt);
  EXPECT_EQ(manager.getPrinterDescription(""), std::nullopt);
  // Every manager sees the one list of the process.
  EXPECT_EQ(PrinterManager().getPrinterNetworkPath("Office"), "\\\\srv\\office");
}

TEST_F(PrinterManagerTest, AnEmptyListLoads) {
  ASSERT_TRUE(PrinterManager::initialize(dir.write("empty.xml", "<printer_list/>")));
  EXPECT_THAT(*manager.getPrinterDisplayNames(), IsEmpty());
  EXPECT_THAT(*manager.getPrinterNetworkPaths(), IsEmpty());
  EXPECT_EQ(manager.getPrinter(""), std::nullopt);
  EXPECT_EQ(manager.getPrinterNetworkPath(""), std::nullopt);
}

TEST_F(PrinterManagerTest, AFailedLoadKeepsTheListLoadedBefore) {
  ASSERT_TRUE(PrinterManager::initialize(path));
  EXPECT_FALSE(PrinterManager::initialize(dir.file("missing.xml")));
  EXPECT_FALSE(PrinterManager::initialize(dir.write("broken.xml", "<printer_list><printer>")));
  EXPECT_FALSE(PrinterManager::getPrinterList(dir.write("other.xml", "<device_list/>")));
  EXPECT_FALSE(capture.lines().empty());
  EXPECT_EQ(manager.getPrinterNetworkPath("Office"), "\\\\srv\\office");
}

TEST_F(PrinterManagerTest, EditsAreWrittenBackAndReadAgain) {
  ASSERT_TRUE(PrinterManager::initialize(path));

  EXPECT_TRUE(manager.addPrinter("  P9 ", "Yard", "\\\\srv\\yard", "Outdoor printer", path));
  EXPECT_TRUE(capture.contains("xml is written .."));
  EXPECT_THAT(idsInFile(path), ElementsAre("P1", "P 2", "P3", "P4", "P9"));
  ASSERT_TRUE(manager.getPrinter("P9"));
  EXPECT_EQ(manager.getPrinter("P9")->getDescription(), "Outdoor printer");
  EXPECT_EQ(manager.getPrinterNetworkPath("YARD"), "\\\\srv\\yard");

  // An id with blanks finds, changes and removes the printer stored under the trimmed id.
  EXPECT_TRUE(manager.modifyPrinter(" P 2 ", "Front Office", "\\\\srv\\front", "Laser 2", path));
  EXPECT_THAT(idsInFile(path), ElementsAre("P1", "P 2", "P3", "P4", "P9"));
  EXPECT_EQ(manager.getPrinterNetworkPath("front office"), "\\\\srv\\front");
  EXPECT_EQ(manager.getPrinterNetworkPath("Office"), std::nullopt);

  EXPECT_TRUE(manager.deletePrinter(" P 2 ", path));
  EXPECT_THAT(idsInFile(path), ElementsAre("P1", "P3", "P4", "P9"));

  // Absent values stay absent through a write.
  ASSERT_TRUE(manager.getPrinter("P4"));
  EXPECT_EQ(manager.getPrinter("P4")->getDisplayName(), std::nullopt);
  EXPECT_EQ(manager.getPrinter("P4")->getDescription(), std::nullopt);
}

TEST_F(PrinterManagerTest, RefusedEditsLeaveTheFileAlone) {
  ASSERT_TRUE(PrinterManager::initialize(path));
  EXPECT_FALSE(manager.addPrinter(" P1 ", "Again", "\\\\srv\\again", "", path));
  EXPECT_THAT(texts(capture), Contains("1"));
  EXPECT_FALSE(manager.modifyPrinter("P7", "None", "\\\\srv\\none", "", path));
  EXPECT_EQ(readFile(path), kPrinters);
  EXPECT_EQ(manager.getPrinterNetworkPath("Again"), std::nullopt);

  // Removing an id that is not there still writes the list (here to a new file).
  std::string copy = dir.file("copy.xml");
  EXPECT_TRUE(manager.deletePrinter("P7", copy));
  EXPECT_THAT(idsInFile(copy), ElementsAre("P1", "P 2", "P3", "P4"));
}

TEST_F(PrinterManagerTest, AFailedWriteIsReportedAndTheEditStaysInMemory) {
  ASSERT_TRUE(PrinterManager::initialize(path));
  std::string nowhere = dir.file("missing/printer_list.xml");
  capture.clear();
  EXPECT_FALSE(manager.addPrinter("P9", "Yard", "\\\\srv\\yard", "", nowhere));
  EXPECT_THAT(texts(capture), Contains("2"));
  EXPECT_EQ(manager.getPrinterNetworkPath("Yard"), "\\\\srv\\yard");
  EXPECT_FALSE(manager.modifyPrinter("P1", "Dock 1", "\\\\srv\\d1", "", nowhere));
  EXPECT_EQ(manager.getPrinterNetworkPath("Dock 1"), "\\\\srv\\d1");
  EXPECT_FALSE(manager.deletePrinter("P1", nowhere));
  EXPECT_EQ(manager.getPrinter("P1"), std::nullopt);
  EXPECT_FALSE(manager.saveFile(nowhere));
  EXPECT_FALSE(capture.contains("xml is written .."));
  EXPECT_EQ(readFile(path), kPrinters);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST_F(PrinterManagerTest, WritesTheListAsXml) {
  printer::PrinterListType list;
  printer::PrinterType full;
  full.setId("P1");
  full.setDisplayName("A & B");
  full.setNetworkPath("\\\\srv\\a");
  full.setDescription("<desc>");
  printer::PrinterType bare;
  list.getPrinter() = {full, bare};
  EXPECT_EQ(printer::toXml(list),
            "<printer_list>\n  <printer id=\"P1\">\n    <display_name>A &amp; B</display_name>\n"
            "    <network_path>\\\\srv\\a</network_path>\n    <description>&lt;desc&gt;</description>\n"
            "  </printer>\n  <printer/>\n</printer_list>");
  EXPECT_EQ(printer::toXml({}), "<printer_list/>");
  EXPECT_EQ(printer::ObjectFactory().createPrinterList(list).ELEMENT_NAME, "printer_list");
}

TEST(PrinterManagerDemoTest, TheDemoPrinterListIsFoundAndLoads) {
  testing::InDemoDirectory inDemo;
  PrinterManager::reset();
  VRCParser locator("vav_settings.xml", "demo");
  std::optional<std::string> path = locator.getEnvironmentFilePath("printer_list.xml");
  ASSERT_TRUE(path);
  ASSERT_TRUE(PrinterManager::initialize(*path));
  PrinterManager manager;
  std::optional<std::vector<std::string>> names = manager.getPrinterDisplayNames();
  ASSERT_TRUE(names);
  EXPECT_FALSE(names->empty());
  for (const std::string& name : *names) EXPECT_TRUE(manager.getPrinterNetworkPath(name)) << name;
  PrinterManager::reset();
}

}  // namespace
}  // namespace tev
