#include "xml/xml_query_bean.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/log.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using testing::errors;
using testing::readFile;
using ::testing::StartsWith;
using testing::TempDir;
using Strings = std::vector<std::string>;
using Values = std::vector<std::optional<std::string>>;

constexpr const char* kSettings =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<environment_list>\n"
    "  <environment id=\"common\" relative_env=\"\">\n"
    "    <torvend><port>4000</port><empty/><!--note--></torvend>\n"
    "  </environment>\n"
    "  <environment id=\"prod\" relative_env=\"common\">\n"
    "    <torvend><port>4001</port></torvend>\n"
    "  </environment>\n"
    "</environment_list>\n";

constexpr const char* kDevices =
    "<device_list>\n"
    "  <device id=\"dev1\"><ip>10.0.0.1</ip><type>Generic</type></device>\n"
    "  <device id=\"dev2\"><ip>10.0.0.2</ip></device>\n"
    "  <device><ip>10.0.0.3</ip></device>\n"
    "</device_list>\n";

std::int64_t megabytes(std::int64_t mb) {
  return mb * 1024;
}

class XMLQueryBeanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.write("vav_settings.xml", kSettings);
    ASSERT_NE(bean.loadXMLDocument(path), nullptr);
    capture.clear();
  }

  TempDir dir;
  std::string path;
  log::Capture capture;
  XMLQueryBean bean;
};

TEST_F(XMLQueryBeanTest, SingleValuesOfAnEmptyElementDifferBetweenTheTwoReads) {
  EXPECT_EQ(bean.getNodeValue("/environment_list/environment/torvend/empty"), "");
  EXPECT_TRUE(errors(capture).empty());
  EXPECT_EQ(bean.getNodeValueByParsedExpr("/environment_list/environment[@id='%s']/torvend/%s",
                                          {"common", "empty"}),
            std::nullopt);
  EXPECT_THAT(errors(capture), ElementsAre("Error in looking for Expr: "
                                           "/environment_list/environment[@id='common']/torvend/empty - "
                                           "the element has no child"));
}

TEST_F(XMLQueryBeanTest, GetNodeValue) {
  EXPECT_EQ(bean.getNodeValue("/environment_list/environment[@id='prod']/torvend/port"), "4001");
  EXPECT_EQ(bean.getNodeValue("/environment_list/environment[@id='prod']/@relative_env"), "common");
  EXPECT_EQ(bean.getNodeValue("//port/text()"), "4000");
  EXPECT_EQ(bean.getNodeValue("//torvend/comment()"), "note");
  EXPECT_EQ(bean.getNodeValue("/environment_list/environment/torvend"),
            std::nullopt);  // first child an element
  EXPECT_TRUE(errors(capture).empty());
  EXPECT_EQ(bean.getNodeValue("/environment_list/missing"), std::nullopt);
  EXPECT_EQ(bean.getNodeValue("/environment_list/["), std::nullopt);
  EXPECT_EQ(errors(capture).size(), 2u);
  EXPECT_EQ(errors(capture)[0], "Error in looking for Expr: /environment_list/missing - no node selected");
}

TEST_F(XMLQueryBeanTest, ALookUpThatSelectsNothingIsTracedAndABrokenOneIsAnError) {
  EXPECT_EQ(bean.getNodeValue("/environment_list/missing"), std::nullopt);
  EXPECT_EQ(bean.getNodeValue("/environment_list/["), std::nullopt);
  auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].level, spdlog::level::debug);
  EXPECT_EQ(lines[1].level, spdlog::level::err);
}

TEST_F(XMLQueryBeanTest, ValueListsDifferBetweenThePlainAndTheTemplateForm) {
  // Plain: elements give their first child's value ("" without one), texts and attributes their value,
  // other nodes nothing.
  EXPECT_EQ(bean.getNodeValues("//port"), (Strings{"4000", "4001"}));
  EXPECT_EQ(bean.getNodeValues("/environment_list/environment[1]/torvend/node()"), (Strings{"4000", ""}));
  EXPECT_EQ(bean.getNodeValues("/environment_list/environment/@id"), (Strings{"common", "prod"}));
  EXPECT_EQ(bean.getNodeValues("//port/text()"), (Strings{"4000", "4001"}));
  EXPECT_EQ(bean.getNodeValues("/environment_list/missing"), Strings{});
  EXPECT_EQ(bean.getNodeValues("/environment_list/["), std::nullopt);

  // Template: each node's own value, so elements add absent values.
  EXPECT_EQ(bean.getNodeValuesByParsedExpr("/environment_list/environment/@%s", {"id"}),
            (Values{"common", "prod"}));
  EXPECT_EQ(bean.getNodeValuesByParsedExpr("//%s", {"port"}), (Values{std::nullopt, std::nullopt}));
  EXPECT_TRUE(capture.contains("No of nodes selected: 2"));
}

TEST_F(XMLQueryBeanTest, SetNodeValueByParsedExpr) {
  bean.setNodeValueByParsedExpr("/environment_list/environment[@id='%s']/torvend/%s", {"prod", "port"},
                                "4100");
  EXPECT_EQ(bean.getNodeValue("/environment_list/environment[@id='prod']/torvend/port"), "4100");
  bean.setNodeValueByParsedExpr("/environment_list/environment[@id='%s']/@%s", {"prod", "relative_env"},
                                "none");
  EXPECT_EQ(bean.getNodeValue("/environment_list/environment[@id='prod']/@relative_env"), "none");
  EXPECT_TRUE(errors(capture).empty());

  bean.setNodeValueByParsedExpr("/environment_list/environment[@id='%s']/torvend/%s", {"common", "empty"},
                                "v");
  bean.setNodeValueByParsedExpr("/environment_list/environment[@id='%s']/torvend/%s", {"it's", "port"}, "v");
  EXPECT_THAT(errors(capture),
              ElementsAre("Error in looking for Expr: /environment_list/environment[@id='%s']/torvend/%s - "
                          "the node has no child",
                          "Error in looking for Expr: /environment_list/environment[@id='%s']/torvend/%s - "
                          "the value it's holds an apostrophe"));
}

TEST_F(XMLQueryBeanTest, DeviceIds) {
  std::string devices = dir.write("device_list.xml", kDevices);
  XMLQueryBean list;
  ASSERT_NE(list.loadXMLDocument(devices), nullptr);
  const std::string format = "/device_list/device[@id='%s']/%s";
  EXPECT_EQ(list.getDeviceID(format, {"dev2", "ip"}), "dev2");
  EXPECT_EQ(list.getDeviceID("/device_list/device[ip='%s']/%s", {"10.0.0.1", "type"}), "dev1");
  EXPECT_EQ(list.getDeviceID("/device_list/device[ip='%s']/%s", {"10.0.0.3", "ip"}), "");  // no id attribute

  EXPECT_TRUE(list.setDeviceID(format, {"dev2", "ip"}, "dev9", "ignored"));
  EXPECT_EQ(list.getNodeValue("/device_list/device[@id='dev9']/ip"), "10.0.0.2");
  EXPECT_EQ(list.getNodeCount("/device_list/device[@id='dev2']"), 0);
  EXPECT_TRUE(errors(capture).empty());

  EXPECT_EQ(list.getDeviceID(format, {"dev2", "ip"}), std::nullopt);
  EXPECT_FALSE(list.setDeviceID(format, {"dev2", "ip"}, "dev8"));
  EXPECT_EQ(list.getDeviceID(format, {"o'neil", "ip"}), std::nullopt);
  EXPECT_FALSE(list.setDeviceID(format, {"o'neil", "ip"}, "dev8"));
  EXPECT_EQ(list.getDeviceID("/%s", {"device_list"}), std::nullopt);  // the parent is the document
  EXPECT_THAT(errors(capture),
              ElementsAre("Error in looking for Expr: " + format + " - no node selected",
                          "Error in setting device id: dev8 for Expr: " + format + " - no node selected",
                          "Error in looking for Expr: " + format + " - the value o'neil holds an apostrophe",
                          "Error in setting device id: dev8 for Expr: " + format +
                              " - the value o'neil holds an apostrophe",
                          "Error in looking for Expr: /%s - the selected node has no parent element"));
}

TEST(XMLQueryBeanTyped, SetNodeValueAndType) {
  log::Capture capture;
  XMLQueryBean bean;
  ASSERT_NE(bean.loadXMLString("<tools><drill><bit tooltype=\"a\"/></drill><saw/><note>text</note></tools>"),
            nullptr);
  // A first child element keeps its name and gets the new type.
  EXPECT_TRUE(bean.setNodeValueAndType("/tools/drill", "hammer", "b"));
  EXPECT_EQ(bean.getNodeValue("/tools/drill/bit/@tooltype"), "b");
  EXPECT_EQ(bean.getNodeCount("/tools/drill/*"), 1);
  // No child: a new element named by the value.
  EXPECT_TRUE(bean.setNodeValueAndType("/tools/saw", "blade", "t"));
  EXPECT_EQ(bean.getNodeValue("/tools/saw/blade/@tooltype"), "t");
  EXPECT_TRUE(capture.contains("Saving: /tools/saw, blade"));
  EXPECT_TRUE(errors(capture).empty());

  EXPECT_FALSE(bean.setNodeValueAndType("/tools/note", "x", "t"));               // first child is a text
  EXPECT_FALSE(bean.setNodeValueAndType("/tools/saw/blade", "two words", "t"));  // not an element name
  EXPECT_FALSE(bean.setNodeValueAndType("/tools/missing", "x", "t"));
  EXPECT_THAT(
      errors(capture),
      ElementsAre("Error in setting value: x and type: t for Expr: /tools/note - "
                  "the first child of the selected node is not an element",
                  "Error in setting value: two words and type: t for Expr: /tools/saw/blade - "
                  "two words is not a valid element name",
                  "Error in setting value: x and type: t for Expr: /tools/missing - no node selected"));
  EXPECT_EQ(bean.getNodeCount("/tools/saw/blade/*"), 0);
}

TEST_F(XMLQueryBeanTest, SaveIsRefusedAtOrBelow500MegabytesFree) {
  ASSERT_TRUE(bean.setNodeValue("//port", "5000"));
  struct Case {
    std::int64_t kilobytes;
    std::string shown;
  };
  for (const Case& c : {Case{megabytes(500) + 1023, "500"}, Case{megabytes(3), "3"}, Case{-1, "0"}}) {
    capture.clear();
    std::string asked;
    bean.setFreeSpaceProbe([&](const std::string& file) {
      asked = file;
      return c.kilobytes;
    });
    const std::string message = "File:" + path + " Cannot be saved as disk space is :" + c.shown +
                                " MB, minimum disk space required is 500 MB";
    try {
      bean.saveXMLFile();
      FAIL() << "saved with " << c.kilobytes << " KB";
    } catch (const XmlSaveError& e) {
      EXPECT_EQ(e.getMessage(), message);
    }
    EXPECT_EQ(asked, path);
    EXPECT_THAT(errors(capture), ElementsAre(message));
    EXPECT_EQ(readFile(path), kSettings);
  }
}

TEST_F(XMLQueryBeanTest, SaveWritesTheWholeDocumentWithMoreThan500MegabytesFree) {
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(bean.setNodeValue("/environment_list/environment[@id='prod']/torvend/port", "5000"));
  bean.setFreeSpaceProbe([](const std::string&) { return megabytes(501); });
  bean.saveXMLFile();
  std::string expected = kSettings;
  expected.replace(expected.find("4001"), 4, "5000");
  EXPECT_EQ(readFile(path), expected);
  EXPECT_THAT(dir.entries(), ElementsAre("vav_settings.xml"));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // the old file's permissions
  EXPECT_TRUE(errors(capture).empty());
}

TEST_F(XMLQueryBeanTest, SaveIntoAnUnwritableDirectoryIsReported) {
  ::chmod(dir.path().c_str(), 0555);
  if (::access(dir.path().c_str(), W_OK) == 0) GTEST_SKIP() << "permissions do not bind this user (root)";
  ASSERT_TRUE(bean.setNodeValue("//port", "5000"));
  bean.setFreeSpaceProbe([](const std::string&) { return megabytes(1000); });
  EXPECT_THROW(bean.saveXMLFile(), XmlSaveError);
  EXPECT_EQ(readFile(path), kSettings);
  ASSERT_EQ(errors(capture).size(), 1u);
  EXPECT_THAT(errors(capture)[0],
              StartsWith("Failed to save file: " + path + " - cannot create a temporary file"));
}

TEST(XMLQueryBeanFreeSpace, MeasuresTheFileSystemOfAnExistingFile) {
  TempDir dir;
  EXPECT_EQ(XMLQueryBean::getFreeSpace(dir.file("missing.xml")), -1);
  EXPECT_EQ(XMLQueryBean::getFreeSpace(""), -1);
  std::string file = dir.write("f.xml", "<a/>");
  std::int64_t kb = XMLQueryBean::getFreeSpace(file);
  EXPECT_GE(kb, 0);
  EXPECT_NEAR(static_cast<double>(kb), static_cast<double>(XMLQueryBean::getFreeSpaceUnix(file)),
              1024.0 * 64);

  // Without an injected probe the real measurement decides: a file that does not exist is never saved.
  log::Capture capture;
  XMLQueryBean bean;
  bean.loadXMLDocument(dir.file("missing.xml"));
  EXPECT_THROW(bean.saveXMLFile(), XmlSaveError);
  EXPECT_TRUE(capture.contains(" Cannot be saved as disk space is :0 MB"));
}

}  // namespace
}  // namespace tev
