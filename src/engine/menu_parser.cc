#include "engine/menu_parser.h"

#include <libxml/tree.h>

#include "common/java_number.h"
#include "common/java_text.h"

namespace tev {
namespace {

// The attribute's value, or nothing when it is missing or empty.
std::optional<std::string> nonEmpty(const XmlNode& element, const std::string& name) {
  std::optional<std::string> value = element.attribute(name);
  if (value && value->empty()) return std::nullopt;
  return value;
}

std::string lineOf(const XmlNode& node) {
  return std::to_string(xmlGetLineNo(node.raw()));
}

}  // namespace

MenuParser::MenuParser() : logger(log::get("tev.framework.parser.Logger")) {}

MenuParser::~MenuParser() = default;

void MenuParser::initialize(const std::string& file) {
  xmlDocPtr loaded = xmlQry.loadXMLDocument(file);
  if (loaded == nullptr) {
    std::string message = "Failed to read the menu file " + file;
    logger->error("{}", message);
    throw MenuFileError(message);
  }
  menuXmlDoc = loaded;
  path = file;
}

std::shared_ptr<Menu> MenuParser::getMenuInfo() {
  std::optional<XmlNode> root =
      menuXmlDoc == nullptr ? std::nullopt : XmlNode::from(xmlDocGetRootElement(menuXmlDoc));
  if (!root) throw MenuFileError("No menu file is loaded");
  return parseMenu(*root, labelList);
}

std::optional<std::string> MenuParser::getMenuLabel(const std::string& menuId) {
  return displayText(labelKey("/menu//menu[@id='%s']", menuId));
}

std::optional<std::string> MenuParser::getMenuItemLabel(const std::string& transId) {
  log::Logger application = log::get("tev.framework.application.Logger");
  application->info("Looking for path: /menu//menu_item[@trans_id='{}']", transId);
  std::string key = labelKey("/menu//menu_item[@trans_id='%s']", transId);
  application->info("Reading label: {}", key);
  return displayText(key);
}

std::string MenuParser::labelKey(const std::string& expression, const std::string& id) {
  std::optional<XmlNode> node = xmlQry.getNodeByParsedExpr(expression, {id});
  if (!node) throw MenuFileError("The menu file " + path + " holds no menu or entry with the id " + id);
  return node->attribute(ATTR_LABEL).value_or("");
}

std::optional<std::string> MenuParser::displayText(const std::string& key) const {
  if (labelList == nullptr) return key;
  return labelList->getLabel(key);
}

std::int32_t MenuParser::sequenceNo(const XmlNode& element) {
  std::optional<std::string> text = nonEmpty(element, ATTR_SEQUENCE_NO);
  if (!text) return 0;
  try {
    return parseInt(*text);
  } catch (const NumberFormatError&) {
    std::string message = "The menu file " + path + ", line " + lineOf(element) + ": the sequence_no \"" +
                          *text + "\" of <" + element.name() + "> is not a whole number";
    logger->error("{}", message);
    throw MenuFileError(message);
  }
}

std::shared_ptr<Menu> MenuParser::parseMenu(const XmlNode& element, const LabelList* labels) {
  std::optional<std::string> id = element.attribute(ATTR_ID);
  std::optional<std::string> key = nonEmpty(element, ATTR_LABEL);
  if (!key) key = id;
  auto menu = std::make_shared<Menu>(id, sequenceNo(element));
  if (labels != nullptr && key) menu->setLabel(labels->getLabel(*key));

  for (const XmlNode& child : element.elementChildren()) {
    const std::string name = child.name();
    if (name == TAG_MENU_ITEM) {
      std::shared_ptr<MenuItem> item = parseMenuItem(child, labels);
      if (!item->getId()) {
        logger->warn("The menu file {}, line {}: a <menu_item> without trans_id is skipped", path,
                     lineOf(child));
        continue;
      }
      menu->setMenuItem(*item->getId(), item);
    } else if (name == TAG_MENU) {
      std::shared_ptr<Menu> subMenu = parseMenu(child, labels);
      if (!subMenu->getId()) {
        logger->warn("The menu file {}, line {}: a <menu> without id is skipped", path, lineOf(child));
        continue;
      }
      subMenu->setParentMenu(menu);
      menu->setMenuItem(*subMenu->getId(), subMenu);
    }
  }
  return menu;
}

std::shared_ptr<MenuItem> MenuParser::parseMenuItem(const XmlNode& element, const LabelList* labels) {
  std::optional<std::string> transId = element.attribute(ATTR_TRANS_ID);
  std::optional<std::string> key = nonEmpty(element, ATTR_LABEL);
  if (!key) key = transId;
  bool perl = equalsIgnoreCase(element.attribute(PERL_TRANSACTION).value_or(""), "yes");
  auto item = std::make_shared<MenuItem>(transId, sequenceNo(element), perl);
  if (labels != nullptr && key) item->setLabel(labels->getLabel(*key));
  return item;
}

}  // namespace tev
