#include "xml/xml_node.h"

#include <gtest/gtest.h>

#include "xml/xml_document.h"

namespace tev {
namespace {

XmlDocPtr parse(const std::string& text) {
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (doc == nullptr) ADD_FAILURE() << cause;
  return doc;
}

XmlNode root(const XmlDocPtr& doc) {
  return XmlNode(xmlDocGetRootElement(doc.get()));
}

std::string text(const XmlDocPtr& doc) {
  std::string cause;
  return serialiseNode(xmlDocGetRootElement(doc.get()), cause).value_or("<" + cause + ">");
}

TEST(XmlNodeImportChild, CopiesAWholeElementFromAnotherDocumentAsTheLastChild) {
  XmlDocPtr target = parse("<list><a>1</a></list>");
  XmlNode copied = [&] {
    XmlDocPtr source = parse("<t><group id=\"g\" type=\"x\"><leaf>v</leaf><!--c--></group></t>");
    auto group = root(source).elementChildren().at(0);
    auto result = root(target).importChild(group);
    EXPECT_TRUE(result.has_value());
    return *result;
  }();  // the source is gone: the copy must belong to the target alone
  EXPECT_EQ(copied.raw()->doc, target.get());
  EXPECT_EQ(copied.attribute("type"), "x");
  EXPECT_EQ(text(target), "<list><a>1</a><group id=\"g\" type=\"x\"><leaf>v</leaf><!--c--></group></list>");
}

TEST(XmlNodeImportChild, RefusesWhatCannotBeAChildAndTargetsThatAreNoElements) {
  XmlDocPtr target = parse("<list a=\"1\">t</list>");
  XmlDocPtr source = parse("<s b=\"2\"><e/></s>");
  XmlNode list = root(target);
  XmlNode attribute(reinterpret_cast<xmlNodePtr>(xmlHasProp(root(source).raw(), BAD_CAST "b")));
  XmlNode document(reinterpret_cast<xmlNodePtr>(source.get()));
  XmlNode element = root(source).elementChildren().at(0);

  EXPECT_FALSE(list.importChild(attribute));
  EXPECT_FALSE(list.importChild(document));
  EXPECT_FALSE(list.firstChild()->importChild(element));                                   // a text node
  EXPECT_FALSE(XmlNode(reinterpret_cast<xmlNodePtr>(target.get())).importChild(element));  // the document
  EXPECT_EQ(text(target), "<list a=\"1\">t</list>");
}

TEST(XmlNodeImportChild, ATextNextToATextIsMergedIntoIt) {
  XmlDocPtr target = parse("<list>ab</list>");
  XmlDocPtr source = parse("<s>cd</s>");
  auto merged = root(target).importChild(*root(source).firstChild());
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->value(), "abcd");
  EXPECT_EQ(root(target).children().size(), 1u);
}

}  // namespace
}  // namespace tev
