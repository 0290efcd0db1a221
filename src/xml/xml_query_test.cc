#include "xml/xml_query.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include "common/log.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using testing::errors;
using ::testing::HasSubstr;
using testing::readFile;
using ::testing::StartsWith;
using testing::TempDir;
using Values = std::vector<std::optional<std::string>>;

constexpr const char* kSettings =
    "<?xml version=\"1.0\"?>\n"
    "<!-- settings -->\n"
    "<environment_list>\n"
    "  <environment id=\"common\" relative_env=\"\">\n"
    "    <router><host>erp1</host><port>5000</port></router>\n"
    "    <empty/>\n"
    "    <label>caf\xC3\xA9 &amp; bar</label>\n"
    "  </environment>\n"
    "  <environment id=\"prod\" relative_env=\"common\">\n"
    "    <router><host>erp2</host></router>\n"
    "  </environment>\n"
    "</environment_list>\n";

class XMLQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.write("settings.xml", kSettings);
    ASSERT_NE(query.loadXMLDocument(path), nullptr);
    capture.clear();
  }

  TempDir dir;
  std::string path;
  log::Capture capture;
  XMLQuery query;
};

TEST_F(XMLQueryTest, LoadLogsAndKeepsThePath) {
  XMLQuery fresh;
  EXPECT_EQ(fresh.getXMLDocument(), nullptr);
  xmlDocPtr doc = fresh.loadXMLDocument(path);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(fresh.getXMLDocument(), doc);
  EXPECT_EQ(fresh.getXmlFilePath(), path);
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].logger, "tev.beans.XmlLogger");
  EXPECT_EQ(capture.lines()[0].text, "Loaded xml document successfully: " + path);
}

TEST_F(XMLQueryTest, GetNodeValueFollowsItsTable) {
  struct Case {
    std::string expr;
    std::optional<std::string> value;
    bool errorLogged;
  };
  const Case cases[] = {
      {"/environment_list/environment/router/host", "erp1", false},  // element: its first child's value
      {"/environment_list/environment[@id='prod']/router/host", "erp2", false},
      {"/environment_list/environment/label", "caf\xC3\xA9 & bar", false},  // text decoded
      {"/environment_list/environment/empty", std::nullopt, true},          // element without children
      {"/environment_list/environment/router", std::nullopt, false},        // first child is an element
      {"/environment_list/environment/@relative_env", "", false},           // attribute
      {"/environment_list/environment[2]/@relative_env", "common", false},
      {"/environment_list/environment/router/port/text()", "5000", false},  // text node
      {"/environment_list/comment()", std::nullopt, true},                  // nothing selected
      {"/environment_list/missing", std::nullopt, true},
      {"/environment_list/environment[", std::nullopt, true},  // invalid expression
  };
  for (const Case& c : cases) {
    capture.clear();
    EXPECT_EQ(query.getNodeValue(c.expr), c.value) << c.expr;
    auto logged = errors(capture);
    if (c.errorLogged) {
      ASSERT_EQ(logged.size(), 1u) << c.expr;
      EXPECT_THAT(logged[0], StartsWith("Error in looking for Expr: " + c.expr + " - ")) << c.expr;
    } else {
      EXPECT_TRUE(logged.empty()) << c.expr;
    }
  }
}

TEST_F(XMLQueryTest, GetNodeValueByParsedExprFillsTwoArguments) {
  const std::string format = "/environment_list/environment[@id='%s']/router/%s";
  EXPECT_EQ(query.getNodeValueByParsedExpr(format, {"prod", "host"}), "erp2");
  EXPECT_EQ(query.getNodeValueByParsedExpr(format, {"common", "port"}), "5000");
  EXPECT_TRUE(errors(capture).empty());

  // Only elements and attributes give a value here; a text node gives nothing, without an error.
  EXPECT_EQ(query.getNodeValueByParsedExpr("/environment_list/environment[@id='%s']/@relative_env", {"prod"}),
            "common");
  EXPECT_EQ(query.getNodeValueByParsedExpr(format, {"prod", "host/text()"}), std::nullopt);
  EXPECT_TRUE(errors(capture).empty());

  EXPECT_EQ(query.getNodeValueByParsedExpr("/environment_list/environment[@id='%s']/%s", {"common", "empty"}),
            std::nullopt);
  EXPECT_THAT(errors(capture),
              ElementsAre("Error in looking for Expr: /environment_list/environment[@id='common']/empty - "
                          "the element has no child"));
}

TEST_F(XMLQueryTest, AnArgumentWithAnApostropheIsRefusedByEveryTemplateOperation) {
  const std::string format = "/environment_list/environment[@id='%s']/router/%s";
  const std::vector<std::string> args = {"O'Brien", "host"};
  const std::string logged =
      "Error in looking for Expr: " + format + " - the value O'Brien holds an apostrophe";

  EXPECT_EQ(query.getNodeValueByParsedExpr(format, args), std::nullopt);
  EXPECT_EQ(query.getNodeByParsedExpr(format, args), std::nullopt);
  EXPECT_EQ(query.getNodeCountByParsedExpr(format, args), -1);
  EXPECT_EQ(query.getNodesByParsedExpr(format, args), std::nullopt);
  EXPECT_EQ(query.getNodeValuesByParsedExpr(format, args), std::nullopt);
  EXPECT_THAT(errors(capture), ElementsAre(logged, logged, logged, logged, logged));

  capture.clear();
  query.setNodeValueByParsedExpr(format, args, "x");
  EXPECT_THAT(errors(capture), ElementsAre("Error in setting the value: x to Expr: " + format +
                                           " - the value O'Brien holds an apostrophe"));
  EXPECT_EQ(query.getNodeValue("/environment_list/environment/router/host"), "erp1");
}

TEST_F(XMLQueryTest, AMalformedTemplateIsAFailedQuery) {
  EXPECT_EQ(query.getNodeCountByParsedExpr("/environment_list/%q", {"x"}), -1);
  ASSERT_EQ(errors(capture).size(), 1u);
  EXPECT_THAT(errors(capture)[0], StartsWith("Error in looking for Expr: /environment_list/%q - "));
}

TEST_F(XMLQueryTest, AnEmptySelectionIsNotAFailure) {
  EXPECT_EQ(query.getNodeCount("/environment_list/missing"), 0);
  EXPECT_EQ(query.getNodeValues("/environment_list/missing"), Values{});
  EXPECT_EQ(query.getNodesByParsedExpr("/environment_list/%s", {"missing"}), std::vector<XmlNode>{});
  EXPECT_EQ(query.getNodeValuesByParsedExpr("/environment_list/%s", {"missing"}), Values{});
  EXPECT_EQ(query.getNode("/environment_list/missing"), std::nullopt);
  EXPECT_TRUE(errors(capture).empty());

  EXPECT_EQ(query.getNodeCount("/environment_list/["), -1);
  EXPECT_EQ(query.getNodeValues("/environment_list/["), std::nullopt);
  EXPECT_EQ(query.getNodesByParsedExpr("/environment_list/%s", {"["}), std::nullopt);
  EXPECT_EQ(query.getNodeValuesByParsedExpr("/environment_list/%s", {"["}), std::nullopt);
  EXPECT_EQ(query.getNode("/environment_list/["), std::nullopt);
  EXPECT_EQ(query.getNodeCount("count(/environment_list)"), -1);  // not a node selection
  EXPECT_EQ(errors(capture).size(), 6u);
}

TEST_F(XMLQueryTest, CountsAndNodeLookupsLogWhatTheyLookFor) {
  EXPECT_EQ(query.getNodeCountByParsedExpr("/environment_list/%s", {"environment"}), 2);
  auto node = query.getNodeByParsedExpr("/environment_list/environment[@id='%s']", {"prod"});
  ASSERT_TRUE(node);
  EXPECT_EQ(node->attribute("id"), "prod");
  EXPECT_EQ(query.getNodeByParsedExpr("/environment_list/%s", {"missing"}), std::nullopt);
  auto nodes = query.getNodesByParsedExpr("//%s", {"host"});
  ASSERT_TRUE(nodes);
  ASSERT_EQ(nodes->size(), 2u);
  EXPECT_EQ((*nodes)[0].textContent(), "erp1");  // document order
  EXPECT_EQ((*nodes)[1].textContent(), "erp2");

  std::vector<std::string> texts;
  for (const log::Line& line : capture.lines()) texts.push_back(line.text);
  EXPECT_THAT(texts,
              ElementsAre("Looking for Expr: /environment_list/environment", "No of nodes selected: 2",
                          "Looking for Expr: /environment_list/environment[@id='prod']",
                          "Selected node: [environment: null]", "Looking for Expr: /environment_list/missing",
                          "Selected node: null", "Looking for Expr: //host"));
}

TEST_F(XMLQueryTest, ValueListsAddEachNodesOwnValue) {
  EXPECT_EQ(query.getNodeValues("/environment_list/environment/@id"), (Values{"common", "prod"}));
  EXPECT_EQ(query.getNodeValues("//host"), (Values{std::nullopt, std::nullopt}));  // elements: absent values
  EXPECT_EQ(query.getNodeValues("//host/text()"), (Values{"erp1", "erp2"}));
  EXPECT_EQ(query.getNodeValuesByParsedExpr("/environment_list/environment/@%s", {"relative_env"}),
            (Values{"", "common"}));
  EXPECT_TRUE(capture.contains("No of nodes selected: 2"));
}

TEST_F(XMLQueryTest, ExpressionsRelativeToANode) {
  auto prod = query.getNode("/environment_list/environment[@id='prod']");
  ASSERT_TRUE(prod);
  EXPECT_EQ(query.getNodeValue("router/host", *prod), "erp2");
  EXPECT_EQ(query.getNodeValue("@relative_env", *prod), "common");
  EXPECT_EQ(query.getNodeValue("/environment_list/environment/@id", *prod),
            "common");  // absolute stays absolute
  auto list = query.getNodeList("router/*", *prod);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 1u);
  EXPECT_EQ((*list)[0].name(), "host");
  EXPECT_EQ(query.getNodeList("router/[", *prod), std::nullopt);
  EXPECT_EQ(query.getNodeValue("missing", *prod), std::nullopt);
  EXPECT_EQ(errors(capture).size(), 2u);
}

TEST_F(XMLQueryTest, SetNodeValue) {
  // An empty element gets a text node.
  EXPECT_TRUE(query.setNodeValue("/environment_list/environment/empty", "filled"));
  EXPECT_EQ(query.getNodeValue("/environment_list/environment/empty"), "filled");
  EXPECT_TRUE(capture.contains("Setting node: /environment_list/environment/empty, value as: filled"));
  // An element's first child, an attribute.
  EXPECT_TRUE(query.setNodeValue("/environment_list/environment[@id='prod']/router/host", "a<b&c"));
  EXPECT_EQ(query.getNodeValue("/environment_list/environment[@id='prod']/router/host"), "a<b&c");
  EXPECT_TRUE(query.setNodeValue("/environment_list/environment[@id='prod']/@relative_env", "x\"y"));
  EXPECT_EQ(query.getNodeValue("/environment_list/environment[@id='prod']/@relative_env"), "x\"y");
  EXPECT_TRUE(query.setNodeValue("/environment_list/environment[1]/@relative_env", "was empty"));
  EXPECT_EQ(query.getNodeValue("/environment_list/environment[1]/@relative_env"), "was empty");
  EXPECT_TRUE(errors(capture).empty());

  EXPECT_FALSE(query.setNodeValue("/environment_list/missing", "v"));
  EXPECT_FALSE(query.setNodeValue("/environment_list/[", "v"));
  EXPECT_FALSE(query.setNodeValue("//host/text()", "v"));  // a text node takes no child
  auto logged = errors(capture);
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_EQ(logged[0], "Error in setting value: v for Expr: /environment_list/missing - no node selected");
  EXPECT_THAT(logged[1], StartsWith("Error in setting value: v for Expr: /environment_list/[ - "));
  EXPECT_EQ(query.getNodeValue("//host"), "erp1");
}

TEST_F(XMLQueryTest, SetNodeValueByParsedExpr) {
  const std::string format = "/environment_list/environment[@id='%s']/router/%s";
  query.setNodeValueByParsedExpr(format, {"common", "port"}, "6000");
  EXPECT_EQ(query.getNodeValue("//port"), "6000");
  EXPECT_TRUE(capture.contains("Looking for expression" + format));
  EXPECT_TRUE(errors(capture).empty());

  // An element without children cannot be set this way.
  query.setNodeValueByParsedExpr("/environment_list/environment[@id='%s']/%s", {"common", "empty"}, "v");
  EXPECT_THAT(errors(capture),
              ElementsAre("Error in setting the value: v to Expr: "
                          "/environment_list/environment[@id='%s']/%s - the node has no child"));
  EXPECT_EQ(query.getNodeValue("/environment_list/environment/empty"), std::nullopt);
}

TEST_F(XMLQueryTest, SaveWritesTheDeclarationAndTheDocumentElement) {
  ASSERT_TRUE(query.setNodeValue("/environment_list/environment[@id='prod']/router/host", "erp3"));
  query.saveXMLFile();
  std::string expected = kSettings;
  expected.replace(expected.find("<?xml version=\"1.0\"?>\n<!-- settings -->\n"),
                   std::string("<?xml version=\"1.0\"?>\n<!-- settings -->\n").size(),
                   "<?xml version='1.0'?>\n");
  expected.replace(expected.find("erp2"), 4, "erp3");
  EXPECT_EQ(readFile(path), expected);
  EXPECT_THAT(dir.entries(), ElementsAre("settings.xml"));  // no temporary left behind

  XMLQuery again;
  ASSERT_NE(again.loadXMLDocument(path), nullptr);
  EXPECT_EQ(again.getNodeValue("/environment_list/environment/label"), "caf\xC3\xA9 & bar");
}

// Runs a save while files may grow to a few bytes only: the write of the temporary fails like on a full disk.
template <typename Save>
void withTinyFileSizeLimit(Save save) {
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit tiny = old;
  tiny.rlim_cur = 16;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  save();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
}

TEST_F(XMLQueryTest, AFailedSaveIsReportedAndLeavesTheFileAsItWas) {
  ASSERT_TRUE(query.setNodeValue("//host", "changed"));
  withTinyFileSizeLimit([&] { EXPECT_THROW(query.saveXMLFile(), XmlSaveError); });
  EXPECT_EQ(readFile(path), kSettings);
  EXPECT_THAT(dir.entries(), ElementsAre("settings.xml"));
  auto logged = errors(capture);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_THAT(logged[0], StartsWith("Failed to save file: " + path + " - cannot write "));
}

TEST_F(XMLQueryTest, ASaveIntoAVanishedDirectoryIsReported) {
  TempDir other;
  std::string moved = other.write("gone.xml", kSettings);
  XMLQuery q;
  ASSERT_NE(q.loadXMLDocument(moved), nullptr);
  std::filesystem::remove_all(other.path());
  try {
    q.saveXMLFile();
    FAIL() << "no exception";
  } catch (const XmlSaveError& e) {
    EXPECT_THAT(e.getMessage(),
                StartsWith("Failed to save file: " + moved + " - cannot create a temporary file"));
  }
}

TEST(XMLQueryLoading, ANotWellFormedFileLeavesEveryQueryWithNothing) {
  TempDir dir;
  std::string bad = dir.write("bad.xml", "<a><b>text</a>");
  log::Capture capture;
  ::testing::internal::CaptureStderr();
  XMLQuery query;
  EXPECT_EQ(query.loadXMLDocument(bad), nullptr);
  EXPECT_EQ(query.getXMLDocument(), nullptr);
  EXPECT_EQ(query.getNode("/a"), std::nullopt);
  EXPECT_EQ(query.getNodeValue("/a/b"), std::nullopt);
  EXPECT_EQ(query.getNodeCount("/a"), -1);
  EXPECT_EQ(query.getNodeValues("/a"), std::nullopt);
  EXPECT_EQ(query.getNodeValueByParsedExpr("/%s", {"a"}), std::nullopt);
  EXPECT_FALSE(query.setNodeValue("/a/b", "x"));
  EXPECT_THROW(query.saveXMLFile(), XmlSaveError);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // libxml2 printed nothing by itself
  EXPECT_EQ(readFile(bad), "<a><b>text</a>");

  auto logged = errors(capture);
  ASSERT_GE(logged.size(), 2u);
  EXPECT_THAT(logged[0], StartsWith("Failed to load xml document: " + bad + " - line 1: "));
  EXPECT_THAT(logged[0], HasSubstr("mismatch"));
  EXPECT_EQ(logged[1], "Error in looking for Expr: /a - no document loaded");
}

TEST(XMLQueryLoading, AFailedLoadKeepsThePreviousDocumentButTakesThePath) {
  TempDir dir;
  std::string good = dir.write("good.xml", "<a>1</a>");
  log::Capture capture;
  XMLQuery query;
  ASSERT_NE(query.loadXMLDocument(good), nullptr);
  EXPECT_EQ(query.loadXMLDocument(dir.file("missing.xml")), nullptr);
  EXPECT_TRUE(capture.contains("Failed to load xml document: " + dir.file("missing.xml") + " - " +
                               dir.file("missing.xml") + " (No such file or directory)"));
  EXPECT_EQ(query.getNodeValue("/a"), "1");
  EXPECT_EQ(query.getXmlFilePath(), dir.file("missing.xml"));
  EXPECT_EQ(query.loadXMLDocument(dir.path()), nullptr);  // a directory
}

TEST(XMLQueryLoading, ATextLoadsLikeAFile) {
  log::Capture capture;
  XMLQuery query;
  ASSERT_NE(query.loadXMLString("<reply><status>0</status></reply>"), nullptr);
  EXPECT_EQ(query.getNodeValue("/reply/status"), "0");
  EXPECT_EQ(query.loadXMLString("<reply>"), nullptr);
  EXPECT_EQ(query.loadXMLString(""), nullptr);
  EXPECT_EQ(query.getNodeValue("/reply/status"), "0");
  EXPECT_TRUE(capture.contains("Failed to load xml document: (text) - "));
}

TEST(XMLQueryLoading, NamespacesAreNotInterpreted) {
  TempDir dir;
  std::string text =
      "<environment_list xmlns=\"urn:tev:settings\" xmlns:p=\"urn:p\" id=\"x\">"
      "<p:item p:kind=\"k\" xml:lang=\"en\">t</p:item><plain>v</plain></environment_list>";
  std::string path = dir.write("ns.xml", text);
  log::Capture capture;
  XMLQuery query;
  ASSERT_NE(query.loadXMLDocument(path), nullptr);
  EXPECT_EQ(query.getNodeValue("/environment_list/plain"), "v");  // the default namespace does not hide names
  EXPECT_EQ(query.getNodeValue("/environment_list/@xmlns"), "urn:tev:settings");
  auto item = query.getNode("/environment_list/*[1]");
  ASSERT_TRUE(item);
  EXPECT_EQ(item->name(), "p:item");
  EXPECT_EQ(query.getNodeValue("/environment_list/*[1]/@*[1]"), "k");
  EXPECT_EQ(query.getNodeValues("/environment_list/@*"), (Values{"urn:tev:settings", "urn:p", "x"}));
  query.saveXMLFile();
  EXPECT_EQ(readFile(path), "<?xml version='1.0'?>\n" + text + "\n");
}

TEST(XMLQueryLoading, NoExternalEntityOrDtdIsRead) {
  TempDir dir;
  dir.write("secret.txt", "SECRET");
  dir.write("ext.dtd", "<!ENTITY leak \"FROMDTD\">");
  std::string path = dir.write(
      "entities.xml",
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE a SYSTEM \"ext.dtd\" [<!ENTITY file SYSTEM \"secret.txt\"><!ENTITY inner \"in\">]>\n"
      "<a><b>&file;</b><c>&inner;</c><d>x</d></a>");
  log::Capture capture;
  XMLQuery query;
  ASSERT_NE(query.loadXMLDocument(path), nullptr);
  auto a = query.getNode("/a");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->textContent().find("SECRET"), std::string::npos);
  EXPECT_EQ(a->textContent().find("FROMDTD"), std::string::npos);
  EXPECT_EQ(query.getNodeValue("/a/b"), std::nullopt);  // an entity reference, not its text
  EXPECT_EQ(query.getNodeValue("/a/d"), "x");
}

TEST(XMLQueryLoading, WhitespaceAndCdataAreKept) {
  log::Capture capture;
  XMLQuery query;
  ASSERT_NE(query.loadXMLString("<a>\n  <b><![CDATA[<x>]]></b>\n</a>"), nullptr);
  EXPECT_EQ(query.getNodeValue("/a"), "\n  ");
  EXPECT_EQ(query.getNodeCount("/a/text()"), 2);
  EXPECT_EQ(query.getNodeValue("/a/b"), "<x>");
  EXPECT_EQ(query.getNode("/a/b/node()")->name(), "#cdata-section");
}

}  // namespace
}  // namespace tev
