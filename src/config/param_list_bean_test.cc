#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "common/log.h"
#include "config/global_param_list_bean.h"
#include "config/transaction_param_list_bean.h"
#include "xml/xml_document.h"
#include "xml/xml_save_error.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

using ::testing::ElementsAre;
using testing::readFile;
using testing::TempDir;
using ::testing::UnorderedElementsAre;

constexpr const char* kTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<param_value_list>\n"
    "  <param_value id=\"date_format\"></param_value>\n"
    "  <param_value id=\"email\" load_type=\"auto\">\n"
    "    <param_value id=\"self\"></param_value>\n"
    "    <param_value id=\"smtp_host\"></param_value>\n"
    "    <param_value id=\"from_address\"></param_value>\n"
    "  </param_value>\n"
    "  <param_value id=\"order_types\">\n"
    "    <param_value id=\"SO\" type=\"sales\"><param_value id=\"self\"/><param_value "
    "id=\"label\"/></param_value>\n"
    "  </param_value>\n"
    "</param_value_list>\n";

constexpr const char* kParams =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<param_value_list>\n"
    "  <param_value id=\"date_format\">MM/dd/yy</param_value>\n"
    "  <param_value id=\"blank\"></param_value>\n"
    "  <param_value id=\"transfer\">\n"
    "    <param_value id=\"self\">yes</param_value>\n"
    "    <param_value id=\"def_ibd_loc\" type=\"loc\">A-01</param_value>\n"
    "    <param_value id=\"def_ibd_loc\" type=\"bin\">B-02</param_value>\n"
    "  </param_value>\n"
    "  <param_value id=\"order_types\">\n"
    "    <param_value id=\"PO\"><param_value id=\"self\">no</param_value></param_value>\n"
    "  </param_value>\n"
    "</param_value_list>\n";

std::int64_t megabytes(std::int64_t mb) {
  return mb * 1024;
}

std::string documentText(XMLQueryBean& bean) {
  std::string cause;
  return serialiseDocument(bean.getXMLDocument(), cause).value_or("<no document: " + cause + ">");
}

std::vector<std::string> texts(const log::Capture& capture) {
  std::vector<std::string> result;
  for (const log::Line& line : capture.lines()) result.push_back(line.text);
  return result;
}

// A parameter file and the template in a temporary directory, loaded into one bean of each class.
class ParamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    paramsPath = dir.write("orderTrans.xml", kParams);
    templatePath = dir.write("empty.xml", kTemplate);
    trans.initialize(paramsPath, templatePath);
    global.initialize(paramsPath, templatePath);
    capture.clear();
  }

  TempDir dir;
  std::string paramsPath;
  std::string templatePath;
  TransactionParamListBean trans;
  GlobalParamListBean global;
  log::Capture capture;
};

class TransactionParamListBeanFiles : public ParamFiles {};
class GlobalParamListBeanFiles : public ParamFiles {};

// ---- path expressions ----

struct PathCase {
  ParamIds ids;
  std::optional<ParamTypes> types;
  std::string expected;
};

TEST(TransactionParamListBeanPath, ArrayAndListFormsBuildTheSameExpressions) {
  const std::vector<PathCase> cases = {
      {{}, std::nullopt, "/param_value_list"},
      {{}, ParamTypes{}, "/param_value_list"},
      {{"email", "smtp_host"},
       std::nullopt,
       "/param_value_list/param_value[@id='email']/param_value[@id='smtp_host']"},
      {{"a", "b"},
       ParamTypes{std::nullopt, "t"},
       "/param_value_list/param_value[@id='a']/param_value[@id='b' and @type='t']"},
      {{"a"}, ParamTypes{"x", "ignored"}, "/param_value_list/param_value[@id='a' and @type='x']"},
      {{"a"}, ParamTypes{""}, "/param_value_list/param_value[@id='a' and @type='']"},
      {{"it's"}, std::nullopt, "/param_value_list/param_value[@id='it's']"},  // inserted as it stands
  };
  TransactionParamListBean trans;
  GlobalParamListBean global;
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(trans.getParamValuePath(c.ids, c.types), c.expected);
    EXPECT_EQ(global.getParamValuePath(c.ids, c.types), c.expected);
    ParamTypes list = c.types.value_or(ParamTypes(c.ids.size()));
    EXPECT_EQ(trans.getParamValuePath(c.ids, list), c.expected);
    EXPECT_EQ(global.getParamValuePath(c.ids, list), c.expected);
  }
}

TEST(TransactionParamListBeanPath, TypesShorterThanTheIdsAreACallerError) {
  TransactionParamListBean trans;
  GlobalParamListBean global;
  const ParamIds ids = {"a", "b"};
  const ParamTypes shortTypes = {std::nullopt};
  EXPECT_THROW(trans.getParamValuePath(ids, shortTypes), IndexOutOfRange);
  EXPECT_THROW(trans.getParamValuePath(ids, std::optional<ParamTypes>(shortTypes)), IndexOutOfRange);
  EXPECT_THROW(trans.getParamValue(ids, shortTypes), IndexOutOfRange);
  EXPECT_THROW(trans.getParamNode(ids, shortTypes), IndexOutOfRange);
  EXPECT_THROW(global.getParamValue(ids, std::optional<ParamTypes>(shortTypes)), IndexOutOfRange);
}

TEST(TransactionParamListBeanPath, BaseIdsLeaveTheBasePathAtTheRoot) {
  TempDir dir;
  TransactionParamListBean trans;
  trans.initialize(dir.write("p.xml", kParams), dir.write("empty.xml", kTemplate), ParamIds{"transfer"});
  EXPECT_EQ(trans.getBaseParamsPath(), "/param_value_list");
  EXPECT_EQ(trans.getParamValuePath({"self"}, std::nullopt), "/param_value_list/param_value[@id='self']");
  trans.setBaseParams(std::nullopt);
  EXPECT_EQ(trans.getBaseParamsPath(), "/param_value_list");
}

// ---- reads ----

TEST_F(TransactionParamListBeanFiles, Reads) {
  struct ReadCase {
    ParamIds ids;
    std::optional<ParamTypes> types;
    std::optional<std::string> expected;
  };
  const std::vector<ReadCase> cases = {
      {{"date_format"}, std::nullopt, "MM/dd/yy"},
      {{"blank"}, std::nullopt, ""},  // an empty element
      {{"transfer", "self"}, std::nullopt, "yes"},
      {{"transfer", "def_ibd_loc"}, std::nullopt, "A-01"},  // the first match
      {{"transfer", "def_ibd_loc"}, ParamTypes{std::nullopt, "bin"}, "B-02"},
      {{"transfer", "def_ibd_loc"}, ParamTypes{std::nullopt, std::nullopt}, "A-01"},
      {{"transfer", "def_ibd_loc"}, ParamTypes{std::nullopt, "other"}, std::nullopt},
      {{"transfer"}, std::nullopt, "\n    "},                // a group: the text before its first child
      {{"email", "smtp_host"}, std::nullopt, std::nullopt},  // only the template has it
      {{"missing"}, std::nullopt, std::nullopt},
      {{"it's"}, std::nullopt, std::nullopt},  // an invalid expression
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(trans.getParamValuePath(c.ids, c.types));
    EXPECT_EQ(trans.getParamValue(c.ids, c.types), c.expected);
    EXPECT_EQ(global.getParamValue(c.ids, c.types), c.expected);
    ParamTypes list = c.types.value_or(ParamTypes(c.ids.size()));
    EXPECT_EQ(trans.getParamValue(c.ids, list), c.expected);
    EXPECT_EQ(global.getParamValue(c.ids, list), c.expected);
  }
  capture.clear();
  EXPECT_EQ(trans.getParamValue({"missing"}, std::nullopt), std::nullopt);
  EXPECT_THAT(texts(capture),
              ElementsAre("Error in looking for Expr: /param_value_list/param_value[@id='missing'] - "
                          "no node selected"));
}

TEST_F(TransactionParamListBeanFiles, GetParamNode) {
  auto root = trans.getParamNode({}, std::nullopt);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->name(), "param_value_list");
  auto bin = trans.getParamNode({"transfer", "def_ibd_loc"}, ParamTypes{std::nullopt, "bin"});
  ASSERT_TRUE(bin);
  EXPECT_EQ(bin->textContent(), "B-02");
  EXPECT_FALSE(trans.getParamNode({"email"}, std::nullopt));
}

TEST(TransactionParamListBeanLoad, FilesThatCannotBeLoadedReadAsNothing) {
  TempDir dir;
  log::Capture capture;
  TransactionParamListBean trans;
  EXPECT_EQ(trans.getParamValue({"date_format"}, std::nullopt), std::nullopt);  // before initialize
  const std::string broken = dir.write("broken.xml", "<param_value_list><param_value>");
  trans.initialize(dir.file("none.xml"), broken);
  EXPECT_TRUE(capture.contains("Failed to load xml document: " + dir.file("none.xml")));
  EXPECT_TRUE(capture.contains("Failed to load xml document: " + broken));
  EXPECT_EQ(trans.getParamValue({"date_format"}, std::nullopt), std::nullopt);
  EXPECT_FALSE(trans.getParamNode({}, std::nullopt));
  EXPECT_FALSE(trans.setParamValue(trans.getParamValuePath({"date_format"}, std::nullopt), "x"));
  EXPECT_EQ(trans.getXmlBean().getXMLDocument(), nullptr);
  EXPECT_THROW(trans.saveParams(), XmlSaveError);  // nothing to write
  EXPECT_EQ(dir.entries().size(), 1u);

  GlobalParamListBean global;
  global.initialize(dir.file("none.xml"), dir.file("none.xml"));
  EXPECT_EQ(global.getParamValue({}, std::nullopt), std::nullopt);
}

// ---- writes ----

TEST_F(TransactionParamListBeanFiles, SetExistingChangesOnlyTheText) {
  const std::string before = documentText(trans.getXmlBean());
  EXPECT_TRUE(trans.setParamValue(trans.getParamValuePath({"date_format"}, std::nullopt), "dd.MM.yyyy"));
  EXPECT_TRUE(trans.setParamValue(trans.getParamValuePath({"blank"}, std::nullopt), "filled"));
  EXPECT_TRUE(trans.setParamValue(
      trans.getParamValuePath({"transfer", "def_ibd_loc"}, ParamTypes{std::nullopt, "bin"}), "C-03"));

  std::string expected = before;
  for (auto [from, to] : {std::pair{">MM/dd/yy<", ">dd.MM.yyyy<"},
                          {"\"blank\"/>", "\"blank\">filled</param_value>"},
                          {">B-02<", ">C-03<"}}) {
    auto at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, std::string(from).size(), to);
  }
  EXPECT_EQ(documentText(trans.getXmlBean()), expected);
  EXPECT_FALSE(capture.contains("Looking for path"));
  EXPECT_EQ(readFile(paramsPath), kParams);  // in memory only
}

TEST_F(TransactionParamListBeanFiles, SetMissingCopiesTheWholeGroupFromTheTemplate) {
  const std::string expr = trans.getParamValuePath({"email", "smtp_host"}, std::nullopt);
  EXPECT_TRUE(trans.setParamValue(expr, "mail.example.com"));

  const std::string group = "/param_value_list/param_value[@id='email']";
  std::vector<std::string> mine;
  for (const std::string& text : texts(capture))
    if (!text.starts_with("Error in setting value") && !text.starts_with("Setting node"))
      mine.push_back(text);
  EXPECT_THAT(
      mine, ElementsAre("Looking for path: /param_value_list", "Found node for path: /param_value_list",
                        "Looking for path: " + group, "Can not locate node for path: " + group,
                        "Req Node Path: " + group, "Req Node: [param_value: null]", "Node value is changed"));

  EXPECT_EQ(trans.getParamValue({"email", "smtp_host"}, std::nullopt), "mail.example.com");
  EXPECT_EQ(trans.getParamValue({"email", "from_address"}, std::nullopt), "");
  EXPECT_EQ(trans.getParamValue({"email", "self"}, std::nullopt), "");
  auto root = trans.getParamNode({}, std::nullopt);
  auto last = root->elementChildren().back();
  EXPECT_EQ(last.attribute("id"), "email");
  EXPECT_EQ(last.attribute("load_type"), "auto");  // attributes come along
  EXPECT_EQ(last.elementChildren().size(), 3u);
  EXPECT_EQ(trans.getXmlBean().getNodeCount("//param_value[@id='email']"), 1);
  // The template itself is untouched.
  EXPECT_EQ(trans.getXmlEmptyList().getNodeValue(group + "/param_value[@id='smtp_host']"), "");

  // A second parameter of the group now only changes its text.
  capture.clear();
  EXPECT_TRUE(trans.setParamValue(trans.getParamValuePath({"email", "self"}, std::nullopt), "yes"));
  EXPECT_FALSE(capture.contains("Looking for path"));
  EXPECT_EQ(trans.getXmlBean().getNodeCount("//param_value[@id='email']"), 1);
}

TEST_F(TransactionParamListBeanFiles, SetMissingCopiesOnlyTheMissingStepUnderItsGroup) {
  const std::string expr = trans.getParamValuePath({"order_types", "SO", "label"},
                                                   ParamTypes{std::nullopt, "sales", std::nullopt});
  EXPECT_TRUE(trans.setParamValue(expr, "Sales orders"));
  EXPECT_EQ(trans.getParamValue({"order_types", "SO", "label"}, std::nullopt), "Sales orders");

  auto orderTypes = trans.getParamNode({"order_types"}, std::nullopt);
  ASSERT_TRUE(orderTypes);
  auto children = orderTypes->elementChildren();
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].attribute("id"), "PO");  // the file's own order type is kept, first
  EXPECT_EQ(children[1].attribute("id"), "SO");
  EXPECT_EQ(children[1].attribute("type"), "sales");
  EXPECT_EQ(trans.getXmlBean().getNodeCount("/param_value_list/param_value[@id='order_types']"), 1);
  EXPECT_TRUE(capture.contains("Found node for path: /param_value_list/param_value[@id='order_types']"));
  EXPECT_TRUE(
      capture.contains("Req Node Path: /param_value_list/param_value[@id='order_types']/param_value[@id='SO' "
                       "and @type='sales']"));
}

TEST_F(TransactionParamListBeanFiles, SetThatCannotBeDoneLeavesTheDocumentAsItWas) {
  const std::string before = documentText(trans.getXmlBean());
  struct FailCase {
    std::string name;
    std::string expr;
  };
  const std::vector<FailCase> cases = {
      {"the template lacks the group", trans.getParamValuePath({"nowhere", "x"}, std::nullopt)},
      {"the template has the group, not the parameter",
       trans.getParamValuePath({"email", "unknown"}, std::nullopt)},
      {"the template's step has another type",
       trans.getParamValuePath({"order_types", "SO"}, ParamTypes{std::nullopt, "purchase"})},
      {"an id holding a slash", trans.getParamValuePath({"email/smtp_host"}, std::nullopt)},
      {"an id holding an apostrophe", trans.getParamValuePath({"it's"}, std::nullopt)},
      {"no root of that name", "/other_root/param_value[@id='email']"},
  };
  for (const FailCase& c : cases) {
    SCOPED_TRACE(c.name);
    capture.clear();
    EXPECT_FALSE(trans.setParamValue(c.expr, "value"));
    EXPECT_FALSE(global.setParamValue(c.expr, "value"));
    EXPECT_EQ(documentText(trans.getXmlBean()), before);
    EXPECT_EQ(documentText(global.getXmlBean()), before);
    EXPECT_EQ(texts(capture).back(), "Node value is not changed");
  }
  EXPECT_TRUE(trans.setParamValue(trans.getParamValuePath({"email", "smtp_host"}, std::nullopt), "host"));
}

TEST_F(TransactionParamListBeanFiles, TemplateWithoutTheNodeLogsNull) {
  const std::string expr = trans.getParamValuePath({"nowhere"}, std::nullopt);
  EXPECT_FALSE(trans.setParamValue(expr, "v"));
  EXPECT_TRUE(capture.contains("Can not locate node for path: " + expr));
  EXPECT_TRUE(capture.contains("Req Node Path: " + expr));
  EXPECT_TRUE(capture.contains("Req Node: null"));
}

// ---- saving ----

TEST_F(TransactionParamListBeanFiles, SaveRefusedLeavesTheFile) {
  ASSERT_TRUE(trans.setParamValue(trans.getParamValuePath({"email", "smtp_host"}, std::nullopt), "host"));
  trans.getXmlBean().setFreeSpaceProbe([](const std::string&) { return megabytes(500); });
  EXPECT_THROW(trans.saveParams(), XmlSaveError);
  EXPECT_EQ(readFile(paramsPath), kParams);
  EXPECT_EQ(readFile(templatePath), kTemplate);
  EXPECT_THAT(dir.entries(), UnorderedElementsAre("orderTrans.xml", "empty.xml"));
}

TEST_F(TransactionParamListBeanFiles, SaveWritesTheFileAndLeavesTheTemplate) {
  ASSERT_TRUE(trans.setParamValue(trans.getParamValuePath({"email", "smtp_host"}, std::nullopt), "host"));
  trans.getXmlBean().setFreeSpaceProbe([](const std::string&) { return megabytes(501); });
  trans.saveParams();
  EXPECT_EQ(readFile(templatePath), kTemplate);
  EXPECT_THAT(dir.entries(), UnorderedElementsAre("orderTrans.xml", "empty.xml"));

  TransactionParamListBean reread;
  reread.initialize(paramsPath, templatePath);
  EXPECT_EQ(reread.getParamValue({"email", "smtp_host"}, std::nullopt), "host");
  EXPECT_EQ(reread.getParamValue({"date_format"}, std::nullopt), "MM/dd/yy");
}

TEST_F(GlobalParamListBeanFiles, SetAndSave) {
  ASSERT_TRUE(global.setParamValue(global.getParamValuePath({"email", "smtp_host"}, std::nullopt), "host"));
  EXPECT_EQ(global.getParamValue({"email", "smtp_host"}, std::nullopt), "host");
  EXPECT_EQ(global.getParamValue({"email", "from_address"}, ParamTypes{std::nullopt, std::nullopt}), "");

  global.getXmlBean().setFreeSpaceProbe([](const std::string&) { return megabytes(10); });
  EXPECT_THROW(global.saveGlobalParams(), XmlSaveError);
  EXPECT_EQ(readFile(paramsPath), kParams);

  global.getXmlBean().setFreeSpaceProbe([](const std::string&) { return megabytes(2048); });
  global.saveGlobalParams();
  GlobalParamListBean reread;
  reread.initialize(paramsPath, templatePath);
  EXPECT_EQ(reread.getParamValue({"email", "smtp_host"}, std::nullopt), "host");
  EXPECT_EQ(readFile(templatePath), kTemplate);
  EXPECT_THAT(dir.entries(), UnorderedElementsAre("orderTrans.xml", "empty.xml"));
}

}  // namespace
}  // namespace tev
