// Menu: a menu or sub-menu of the scanner. A sub-menu is itself an entry of its parent menu, so Menu derives
// from MenuItem. The entries (transactions and sub-menus) are kept by entry id: the transaction id of an
// entry, the menu id of a sub-menu. The table's order is the order of the ids; it means nothing for the
// screen, which sorts the entries by sequence number (bySequenceNo).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "engine/menu_item.h"

namespace tev {

class Menu : public MenuItem {
 public:
  using Items = std::map<std::string, std::shared_ptr<MenuItem>>;

  // Label id = id; no entries.
  Menu(std::optional<std::string> menuId, std::int32_t number);
  ~Menu() override;

  // The entry under this id, or nothing.
  std::shared_ptr<MenuItem> getMenuItem(const std::string& id) const;
  // The entry under this id when it is a sub-menu, else nothing.
  std::shared_ptr<Menu> getSubMenu(const std::string& id) const;
  // True when the entry exists and is itself a menu.
  bool isSubMenu(const std::string& id) const;

  // Adds or replaces the entry under id; a null item is ignored (nothing stored, nothing removed). The
  // entry's parent link is not touched.
  void setMenuItem(const std::string& id, std::shared_ptr<MenuItem> item);
  void removeMenuItem(const std::string& id);
  // Replaces the whole table (null entries are dropped).
  void setMenuItems(Items items);
  const Items& getMenuItems() const { return menuItems; }

  // The entry ids in table order.
  std::vector<std::string> getMenuItemIds() const;
  int getNoOfMenuItems() const { return static_cast<int>(menuItems.size()); }
  // Every entry in table order (not sorted); logs the count.
  std::vector<std::shared_ptr<MenuItem>> getMenuItemsArr() const;

 private:
  log::Logger logger;
  Items menuItems;
};

}  // namespace tev
