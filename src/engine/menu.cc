#include "engine/menu.h"

#include "common/java_text.h"

namespace tev {

Menu::Menu(std::optional<std::string> menuId, std::int32_t number)
    : MenuItem(std::move(menuId), number), logger(log::get("tev.framework.Logger")) {}

Menu::~Menu() = default;

std::shared_ptr<MenuItem> Menu::getMenuItem(const std::string& id) const {
  auto found = menuItems.find(id);
  return found == menuItems.end() ? nullptr : found->second;
}

std::shared_ptr<Menu> Menu::getSubMenu(const std::string& id) const {
  return std::dynamic_pointer_cast<Menu>(getMenuItem(id));
}

bool Menu::isSubMenu(const std::string& id) const {
  return getSubMenu(id) != nullptr;
}

void Menu::setMenuItem(const std::string& id, std::shared_ptr<MenuItem> item) {
  if (item) menuItems.insert_or_assign(id, std::move(item));
}

void Menu::removeMenuItem(const std::string& id) {
  menuItems.erase(id);
}

void Menu::setMenuItems(Items items) {
  std::erase_if(items, [](const auto& entry) { return entry.second == nullptr; });
  menuItems = std::move(items);
}

std::vector<std::string> Menu::getMenuItemIds() const {
  std::vector<std::string> ids;
  ids.reserve(menuItems.size());
  for (const auto& [id, item] : menuItems) ids.push_back(id);
  return ids;
}

std::vector<std::shared_ptr<MenuItem>> Menu::getMenuItemsArr() const {
  std::vector<std::shared_ptr<MenuItem>> items;
  items.reserve(menuItems.size());
  for (const auto& [id, item] : menuItems) items.push_back(item);
  logger->info("No of child items for menu: {} is {}", nullText(getId()), items.size());
  return items;
}

}  // namespace tev
