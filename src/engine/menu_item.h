// MenuItem: one selectable entry of a scanner menu. For a transaction entry the id is the transaction id the
// menu starts. Entries order by their sequence number only (compareTo); -1 means that no number was given.
//
// Entries live in their menu's entry table as shared pointers; a sub-menu (Menu, which derives from this
// class) knows the menu that contains it through a weak link, so a tree never keeps itself alive.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tev {

class Menu;

class MenuItem {
 public:
  // Id and label id both take the id; the label stays absent.
  MenuItem(std::optional<std::string> itemId, std::int32_t number, bool perlTransaction = false);
  virtual ~MenuItem();

  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  // 1 when this entry's sequence number is greater than the other's, 0 when equal, -1 when smaller.
  int compareTo(const MenuItem& other) const;

  const std::optional<std::string>& getId() const { return id; }
  const std::optional<std::string>& getLabel() const { return label; }
  const std::optional<std::string>& getLabelId() const { return labelId; }
  // The menu that contains this entry; nothing for a top menu, for a plain entry, or when that menu is gone.
  std::shared_ptr<Menu> getParentMenu() const { return parentMenu.lock(); }
  std::int32_t getSequenceNo() const { return sequenceNo; }
  // The entry starts an external Perl transaction program instead of a transaction class.
  bool isPerlTransaction() const { return bPerlTransaction; }

  void setId(std::optional<std::string> value) { id = std::move(value); }
  void setLabel(std::optional<std::string> value) { label = std::move(value); }
  void setLabelId(std::optional<std::string> value) { labelId = std::move(value); }
  void setParentMenu(const std::shared_ptr<Menu>& parent) { parentMenu = parent; }
  void setPerlTransaction(bool perl) { bPerlTransaction = perl; }
  void setSequenceNo(std::int32_t value) { sequenceNo = value; }

 private:
  std::optional<std::string> id;
  std::optional<std::string> labelId;
  std::optional<std::string> label;
  std::int32_t sequenceNo;
  std::weak_ptr<Menu> parentMenu;
  bool bPerlTransaction;
};

// Orders entries for display: ascending sequence number (entries with equal numbers compare equal).
inline bool bySequenceNo(const std::shared_ptr<MenuItem>& a, const std::shared_ptr<MenuItem>& b) {
  return a->compareTo(*b) < 0;
}

}  // namespace tev
