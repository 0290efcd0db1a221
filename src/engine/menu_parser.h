// MenuParser: reads the environment's menu file ("menus.xml") into a Menu tree. The file gives every entry
// its display text (looked up in the session's label list), its default order and its Perl-transaction
// flag; which entries a user sees comes from the user list (UserMenuXmlParser), and UserData::getMenuList
// merges the two.
//
// File form: the root <menu id label sequence_no> holds <menu> sub-menus (same attributes, read the same
// way) and <menu_item trans_id label sequence_no perl_transaction> entries; other children are ignored.
//  - label: the key of the display text in the label list; missing or empty means the menu's id / the
//    entry's trans_id. The key itself is not stored: the label id is always the id / trans_id.
//  - sequence_no: a decimal integer, 0 when missing or empty.
//  - perl_transaction: "yes" in any letter case makes the entry a Perl transaction.
// Sub-menus are stored under their id and know their parent; entries are stored under their trans_id and
// have no parent. An entry or sub-menu without an id cannot be stored: it is skipped with a warning.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/error.h"
#include "common/log.h"
#include "config/label_list.h"
#include "engine/menu.h"
#include "xml/xml_node.h"
#include "xml/xml_query.h"

namespace tev {

// A menu file that cannot be found, read or parsed, a sequence number that is not a whole number, or a
// label look-up of an id the file does not hold. The message names the file.
class MenuFileError : public Error {
 public:
  using Error::Error;
};

class MenuParser {
 public:
  static inline const std::string ATTR_ID = "id";
  static inline const std::string ATTR_LABEL = "label";
  static inline const std::string ATTR_SEQUENCE_NO = "sequence_no";
  static inline const std::string ATTR_TRANS_ID = "trans_id";
  static inline const std::string MENU_FILE_NAME = "menus.xml";
  static inline const std::string PERL_TRANSACTION = "perl_transaction";
  static inline const std::string TAG_MENU = "menu";
  static inline const std::string TAG_MENU_ITEM = "menu_item";

  // No file and no label list.
  MenuParser();
  virtual ~MenuParser();
  MenuParser(const MenuParser&) = delete;
  MenuParser& operator=(const MenuParser&) = delete;

  // Loads the menu file. Throws MenuFileError (logged) when it cannot be read or parsed; the file loaded
  // before, if any, then stays.
  virtual void initialize(const std::string& path);
  // The label list for display texts (not owned; it must outlive the parser's use). nullptr: no labels.
  virtual void setLabelsObj(const LabelList* labels) { labelList = labels; }

  // The tree of the loaded file. Throws MenuFileError when no file is loaded or a sequence number is not a
  // whole number.
  virtual std::shared_ptr<Menu> getMenuInfo();

  // The display text of the sub-menu with that id: the label list's text under its label attribute as
  // written ("" when missing; no default to the id here), the attribute itself when no label list is set,
  // nothing when the list has no such text. Throws MenuFileError when the file holds no such sub-menu (the
  // root menu is not searched).
  virtual std::optional<std::string> getMenuLabel(const std::string& menuId);
  // The same for the entry with that trans_id.
  virtual std::optional<std::string> getMenuItemLabel(const std::string& transId);

 private:
  std::shared_ptr<Menu> parseMenu(const XmlNode& element, const LabelList* labels);
  std::shared_ptr<MenuItem> parseMenuItem(const XmlNode& element, const LabelList* labels);
  std::int32_t sequenceNo(const XmlNode& element);
  // The label attribute ("" when missing) of the element the expression selects for the id.
  std::string labelKey(const std::string& expression, const std::string& id);
  std::optional<std::string> displayText(const std::string& key) const;

  XMLQuery xmlQry;
  xmlDocPtr menuXmlDoc = nullptr;
  const LabelList* labelList = nullptr;
  std::string path;
  log::Logger logger;
};

}  // namespace tev
