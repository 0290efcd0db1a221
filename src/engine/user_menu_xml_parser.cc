#include "engine/user_menu_xml_parser.h"

#include <libxml/tree.h>

#include <vector>

#include "common/java_number.h"
#include "common/java_text.h"

namespace tev {
namespace {

// Every element of that name strictly below the node, in document order.
void collectBelow(const XmlNode& node, const std::string& name, std::vector<XmlNode>& found) {
  for (const XmlNode& child : node.elementChildren()) {
    if (child.name() == name) found.push_back(child);
    collectBelow(child, name, found);
  }
}

std::vector<XmlNode> elementsBelow(const XmlNode& node, const std::string& name) {
  std::vector<XmlNode> found;
  collectBelow(node, name, found);
  return found;
}

std::string lineOf(const XmlNode& node) {
  return std::to_string(xmlGetLineNo(node.raw()));
}

}  // namespace

UserMenuXmlParser::UserMenuXmlParser(const std::string& file)
    : logger(log::get("tev.framework.parser.Logger")) {
  loadXML(file);
}

UserMenuXmlParser::~UserMenuXmlParser() = default;

void UserMenuXmlParser::loadXML(const std::string& file) {
  readingPath = file;
  std::string cause;
  XmlDocPtr parsed = parseXmlFile(file, cause);
  if (!parsed) {
    std::string message = "Failed to read the user list " + file + ": " + cause;
    logger->error("{}", message);
    readingPath = path;
    throw UserListError(message);
  }
  UserTable table;
  try {
    table = readUsers(parsed.get());
  } catch (const UserListError&) {
    readingPath = path;
    throw;
  }
  doc = std::move(parsed);
  path = file;
  userInfoHash = std::move(table);
}

UserMenuXmlParser::UserTable UserMenuXmlParser::getUserInfo() {
  readingPath = path;
  userInfoHash = readUsers(doc.get());
  return userInfoHash;
}

UserMenuXmlParser::UserTable UserMenuXmlParser::readUsers(xmlDocPtr document) {
  UserTable table;
  std::optional<XmlNode> root = document ? XmlNode::from(xmlDocGetRootElement(document)) : std::nullopt;
  if (root) {
    std::vector<XmlNode> users;
    collectBelow(*root, USER, users);
    for (const XmlNode& element : users) {
      std::shared_ptr<UserData> user = getUserData(element);
      logger->info("User Name = {}", nullText(user->getUserName()));
      if (!user->getUserName()) {
        logger->warn("The user list {}, line {}: a <user> without username is skipped", readingPath,
                     lineOf(element));
        continue;
      }
      table.insert_or_assign(trim(*user->getUserName()), user);
    }
  }
  std::string text;
  for (const auto& [name, user] : table) text += (text.empty() ? "" : ", ") + name + "=" + user->toString();
  logger->info("Hashtable = {{{}}}", text);
  return table;
}

std::shared_ptr<UserData> UserMenuXmlParser::getUserInfoByUserName(const std::string& name) const {
  logger->info("user name obtained for getUserInfo = {}", name);
  auto found = userInfoHash.find(name);
  std::shared_ptr<UserData> user = found == userInfoHash.end() ? nullptr : found->second;
  logger->info("User Data = {}", user ? user->toString() : "null");
  return user;
}

std::optional<std::string> UserMenuXmlParser::getPassword(const std::string& name) const {
  auto found = userInfoHash.find(name);
  if (found == userInfoHash.end()) {
    logger->error("Failed to locate user: {}", name);
    return std::nullopt;
  }
  return found->second->getPassword();
}

std::shared_ptr<UserData> UserMenuXmlParser::getUserInfoByParameterValue(const std::string& id,
                                                                         const std::string& value) const {
  for (const auto& [name, user] : userInfoHash)
    if (user->getParameterValue(id) == value) return user;
  return nullptr;
}

std::shared_ptr<UserData> UserMenuXmlParser::getUserData(const std::optional<XmlNode>& element) {
  if (!element) return nullptr;
  auto user = std::make_shared<UserData>();
  userData = user;
  if (!element->isElement() || !element->firstChild()) return user;

  std::optional<XmlNode> menuElement;
  for (const XmlNode& child : element->elementChildren())
    if (child.name() == MENU) menuElement = child;
  if (menuElement) user->setMenus(getSubMenuInfo(*menuElement));

  for (const XmlNode& parameter : elementsBelow(*element, PARAMETER_VALUE)) {
    auto [id, value] = getParameterNode(parameter);
    user->setParameterValue(id, value);
  }

  // The last element of the name wins, also when it holds no text.
  auto lastValue = [&](const std::string& name) -> std::optional<std::string> {
    std::vector<XmlNode> found = elementsBelow(*element, name);
    if (found.empty()) return std::nullopt;
    return getNodeValue(found.back());
  };
  user->setUserName(lastValue(USERNAME));
  user->setPassword(lastValue(PASSWORD));
  user->setWhse(lastValue(WAREHOUSE));
  user->setLanguage(lastValue(LANGUAGE));
  return user;
}

std::shared_ptr<Menu> UserMenuXmlParser::getSubMenuInfo(const XmlNode& menuElement) {
  auto menu = std::make_shared<Menu>(menuElement.attribute(ID), sequenceNo(menuElement, false));
  for (const XmlNode& child : menuElement.elementChildren()) {
    std::optional<std::string> key = getMenuNode(child);
    if (!key) {
      logger->warn("The user list {}, line {}: a <{}> without {} or {} is skipped", readingPath,
                   lineOf(child), child.name(), TRANSID, ID);
      continue;
    }
    if (child.name() == MENU) {
      std::shared_ptr<Menu> subMenu = getSubMenuInfo(child);
      subMenu->setParentMenu(menu);
      menu->setMenuItem(*key, subMenu);
    } else {
      menu->setMenuItem(*key, getMenuItem(child));
    }
  }
  return menu;
}

std::shared_ptr<MenuItem> UserMenuXmlParser::getMenuItem(const XmlNode& entry) {
  return std::make_shared<MenuItem>(entry.attribute(TRANSID), sequenceNo(entry, true));
}

std::optional<std::string> UserMenuXmlParser::getMenuNode(const XmlNode& element) const {
  std::optional<std::string> key = element.attribute(TRANSID);
  if (!key) key = element.attribute(ID);
  if (!key) return std::nullopt;
  return trim(*key);
}

std::optional<std::string> UserMenuXmlParser::getNodeValue(const XmlNode& element) const {
  for (const XmlNode& child : element.children())
    if (child.isText()) return child.value();
  return std::nullopt;
}

std::pair<std::string, std::string> UserMenuXmlParser::getParameterNode(const XmlNode& parameter) {
  std::optional<std::string> id = parameter.attribute(ID);
  if (!id) fail(parameter, "a <" + PARAMETER_VALUE + "> without the attribute \"" + ID + "\"");
  std::optional<std::string> value = parameter.attribute(VALUE);
  if (!value)
    fail(parameter, "the <" + PARAMETER_VALUE + "> \"" + trim(*id) + "\" has no attribute \"" + VALUE + "\"");
  return {trim(*id), trim(*value)};
}

std::int32_t UserMenuXmlParser::sequenceNo(const XmlNode& element, bool trimmed) {
  std::optional<std::string> text = element.attribute(SEQUENCE_NO);
  if (text && trimmed) text = trim(*text);
  if (!text || text->empty()) return -1;
  try {
    return parseInt(*text);
  } catch (const NumberFormatError&) {
    fail(element,
         "the " + SEQUENCE_NO + " \"" + *text + "\" of a <" + element.name() + "> is not a whole number");
  }
}

void UserMenuXmlParser::fail(const XmlNode& element, const std::string& what) {
  std::string message =
      "Failed to read the user list " + readingPath + ", line " + lineOf(element) + ": " + what;
  logger->error("{}", message);
  throw UserListError(message);
}

}  // namespace tev
