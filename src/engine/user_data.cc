#include "engine/user_data.h"

#include "common/java_text.h"
#include "config/vrc_parser.h"

namespace tev {

UserData::UserData() : logger(log::get("tev.framework.Logger")) {}

UserData::~UserData() = default;

std::string UserData::getCompanySuffix() const {
  std::optional<std::string> company = getParameterValue("company");
  if (!company || company->empty()) return "";
  return charSubstr(*company, charLength(*company) - 1);
}

std::optional<std::string> UserData::getParameterValue(const std::string& id) const {
  auto found = parameters.find(id);
  if (found == parameters.end()) return std::nullopt;
  return found->second;
}

void UserData::setParameterValue(const std::string& id, const std::string& value) {
  parameters.insert_or_assign(id, value);
}

std::string UserData::toString() const {
  std::string ids;
  for (const auto& [id, value] : parameters) ids += (ids.empty() ? "" : ", ") + id;
  return "UserData[username=" + nullText(username) + ", whse=" + nullText(whse) +
         ", language=" + nullText(language) + ", parameters=[" + ids + "]]";
}

std::shared_ptr<Menu> UserData::getMenuList(const std::string& /*language*/, VRCParser& locator,
                                            const LabelList* labels) {
  if (!menu) {
    logger->warn("User {} has no menu", nullText(username));
    return nullptr;
  }
  menuParser = std::make_unique<MenuParser>();
  std::optional<std::string> path = locator.getEnvironmentFilePath(MenuParser::MENU_FILE_NAME);
  if (!path) {
    std::string message = "The menu file " + MenuParser::MENU_FILE_NAME +
                          " is not found for the environment " + locator.getCurrentEnvironmentId();
    logger->error("{}", message);
    throw MenuFileError(message);
  }
  menuParser->initialize(*path);
  menuParser->setLabelsObj(labels);
  std::shared_ptr<Menu> environmentMenu = menuParser->getMenuInfo();
  loadMenuItemSettings(*menu, *environmentMenu);
  return menu;
}

// One level of the merge. The user's menu decides which entries exist; each takes label, label id and Perl
// flag from the environment's entry of the same id, and its sequence number too unless the user list gave
// one. Entries the environment lacks are removed; entries only the environment has are not added.
void UserData::loadMenuItemSettings(Menu& userMenu, const Menu& environmentMenu) {
  userMenu.setLabel(environmentMenu.getLabel());
  for (const std::string& id : userMenu.getMenuItemIds()) {
    std::shared_ptr<MenuItem> userEntry = userMenu.getMenuItem(id);
    std::shared_ptr<MenuItem> environmentEntry = environmentMenu.getMenuItem(id);
    if (!userEntry) {
      logger->warn("User menu: {} is not found", id);
      continue;
    }
    if (!environmentEntry) {
      logger->warn("Environment menu: {} is not found", id);
      userMenu.removeMenuItem(id);
      continue;
    }
    if (auto environmentSubMenu = std::dynamic_pointer_cast<Menu>(environmentEntry)) {
      logger->info("{} is a submenu", id);
      auto userSubMenu = std::dynamic_pointer_cast<Menu>(userEntry);
      if (!userSubMenu) {
        std::string message =
            "The menu entry " + id +
            " is a submenu in the environment's menu file but a menu item in the menu of user " +
            nullText(username);
        logger->error("{}", message);
        throw MenuMergeError(message);
      }
      loadMenuItemSettings(*userSubMenu, *environmentSubMenu);
    } else {
      logger->info("{} is a menu item", id);
    }
    if (userEntry->getSequenceNo() == -1) userEntry->setSequenceNo(environmentEntry->getSequenceNo());
    userEntry->setLabel(environmentEntry->getLabel());
    userEntry->setLabelId(environmentEntry->getLabelId());
    userEntry->setPerlTransaction(environmentEntry->isPerlTransaction());
    userMenu.setMenuItem(id, userEntry);
  }
}

}  // namespace tev
