// UserData: the scanner user logged in on this session, as the user list describes it: name, stored
// password, warehouse, language, the user's own parameters and the user's own menu tree. One per session;
// the login makes it and the menu transaction asks it for the menu.
//
// User parameters are the first level of the parameter look-up: the parameter store asks
// getParameterValue(id) for parameter paths of one id.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "common/error.h"
#include "common/log.h"
#include "config/label_list.h"
#include "engine/menu.h"
#include "engine/menu_parser.h"

namespace tev {

class VRCParser;

// An entry that the environment's menu file defines as a sub-menu but the user's menu as a plain entry.
class MenuMergeError : public Error {
 public:
  using Error::Error;
};

class UserData {
 public:
  using Parameters = std::map<std::string, std::string>;

  // No name, password, menu, warehouse or language; no parameters.
  UserData();
  virtual ~UserData();
  UserData(const UserData&) = delete;
  UserData& operator=(const UserData&) = delete;

  // The last character of the user parameter "company"; "" when it is missing or empty.
  virtual std::string getCompanySuffix() const;
  virtual const std::optional<std::string>& getLanguage() const { return language; }
  // The user's menu tree as it stands (nothing when the user list gave the user no menu).
  virtual std::shared_ptr<Menu> getMenuList() const { return menu; }
  // Merges the environment's menu file into the user's menu, in place, and returns it (see user_data.cc):
  // the user list decides which entries exist, the menu file gives labels (from `labels`) and Perl flags and
  // the sequence numbers the user list leaves out; user entries the menu file lacks are removed. The
  // language is not used (the labels are those given). The menu file is "menus.xml" of the locator's
  // environment files. Nothing, without reading the file, when the user has no menu.
  // Throws MenuFileError when the menu file is missing or cannot be read, MenuMergeError as described at the
  // class; entries merged before the failure keep their new settings.
  virtual std::shared_ptr<Menu> getMenuList(const std::string& language, VRCParser& locator,
                                            const LabelList* labels);
  // The user parameter with this id; nothing when the user has no such parameter.
  virtual std::optional<std::string> getParameterValue(const std::string& id) const;
  virtual const std::optional<std::string>& getPassword() const { return password; }
  virtual const std::optional<std::string>& getUserName() const { return username; }
  virtual const std::optional<std::string>& getWhse() const { return whse; }
  virtual void setMenus(std::shared_ptr<Menu> userMenu) { menu = std::move(userMenu); }
  // Adds or replaces a user parameter.
  virtual void setParameterValue(const std::string& id, const std::string& value);

  void setUserName(std::optional<std::string> value) { username = std::move(value); }
  void setPassword(std::optional<std::string> value) { password = std::move(value); }
  void setWhse(std::optional<std::string> value) { whse = std::move(value); }
  void setLanguage(std::optional<std::string> value) { language = std::move(value); }
  const Parameters& getParameters() const { return parameters; }

  // The user for the log: name, warehouse, language and parameter ids; never the password or parameter
  // values.
  std::string toString() const;

 private:
  void loadMenuItemSettings(Menu& userMenu, const Menu& environmentMenu);

  std::optional<std::string> username;
  std::optional<std::string> password;
  std::shared_ptr<Menu> menu;
  Parameters parameters;
  std::optional<std::string> whse;
  std::optional<std::string> language;
  std::unique_ptr<MenuParser> menuParser;
  log::Logger logger;
};

}  // namespace tev
