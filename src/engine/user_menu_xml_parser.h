// UserMenuXmlParser: reads the scanner user list (user_list.xml) into one UserData per user, each with the
// user's own parameters and menu tree. The login finds the user who logs in here.
//
// File form (the root's name is not checked):
//   <user_list>
//     <user>                                   any depth below the root; one user each
//       <username>admin</username>             username, password, whse, language: any depth below the user;
//       <password>secret</password>            the last such element wins; its value is its first text child,
//       <whse>W1</whse>                        untrimmed; an element without text gives no value
//       <language>english</language>
//       <param_value_list>                     optional container
//         <param_value id="company" value="100"/>   any depth below the user; id and value both required,
//       </param_value_list>                         both trimmed; a later id replaces an earlier one
//       <menu id="main" sequence_no="1">       only a direct child of the user counts; the last one wins
//         <menu id="sub">...</menu>            a sub-menu, read the same way, stored under its key
//         <menu_item trans_id="X" sequence_no="2"/>  any other element is an entry, stored under its key
//       </menu>
//     </user>
//   </user_list>
// The key of an entry or sub-menu is its trimmed trans_id, or its trimmed id when it has no trans_id; an
// entry's own id (and label id) is its trans_id, absent when it has only an id. sequence_no is a decimal
// integer (trimmed on entries), -1 when missing or empty. Labels and Perl flags are not read here: they come
// from the menu file (UserData::getMenuList).
//
// Users are kept by trimmed user name; a later user with the same trimmed name replaces an earlier one. A
// user without a user name, and an entry or sub-menu without a key, cannot be kept: they are skipped with a
// warning.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/error.h"
#include "common/log.h"
#include "engine/menu.h"
#include "engine/user_data.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {

// A user list that cannot be read: the file is missing or not well-formed XML, a param_value lacks its id or
// value, or a sequence_no is not a whole number. The message names the file and, for a bad element, its
// line. It is logged before it is thrown; nothing of the failed reading is kept.
class UserListError : public Error {
 public:
  using Error::Error;
};

class UserMenuXmlParser {
 public:
  using UserTable = std::map<std::string, std::shared_ptr<UserData>>;

  static inline const std::string ID = "id";
  static inline const std::string LABEL = "label";
  static inline const std::string LANGUAGE = "language";
  static inline const std::string MENU = "menu";
  static inline const std::string PARAMETERS = "param_value_list";
  static inline const std::string PARAMETER_VALUE = "param_value";
  static inline const std::string PASSWORD = "password";
  static inline const std::string SEQUENCE_NO = "sequence_no";
  static inline const std::string TRANSID = "trans_id";
  static inline const std::string USER = "user";
  static inline const std::string USERNAME = "username";
  static inline const std::string VALUE = "value";
  static inline const std::string WAREHOUSE = "whse";

  // Reads the user list at once (as loadXML). Throws UserListError.
  explicit UserMenuXmlParser(const std::string& path);
  virtual ~UserMenuXmlParser();
  UserMenuXmlParser(const UserMenuXmlParser&) = delete;
  UserMenuXmlParser& operator=(const UserMenuXmlParser&) = delete;

  // The stored password of that user (nothing when the user has none); for a name that is not in the table
  // it logs "Failed to locate user: " + name and gives nothing.
  virtual std::optional<std::string> getPassword(const std::string& name) const;
  // The user's menu tree read from one menu element (see the file form). Throws UserListError.
  virtual std::shared_ptr<Menu> getSubMenuInfo(const XmlNode& menuElement);
  // Reads every user of the loaded document again, keeps the table and returns it. Throws UserListError.
  virtual UserTable getUserInfo();
  // The first user, in table order, whose parameter with that id equals the value exactly; else nothing.
  virtual std::shared_ptr<UserData> getUserInfoByParameterValue(const std::string& id,
                                                                const std::string& value) const;
  // The user under exactly this name (the table's names are trimmed); nothing when absent.
  virtual std::shared_ptr<UserData> getUserInfoByUserName(const std::string& name) const;
  // Parses another user list and rebuilds the table. Throws UserListError; the previous list then stays.
  virtual void loadXML(const std::string& path);

  const std::string& getPath() const { return path; }

 private:
  UserTable readUsers(xmlDocPtr document);
  std::shared_ptr<UserData> getUserData(const std::optional<XmlNode>& userElement);
  std::shared_ptr<MenuItem> getMenuItem(const XmlNode& entry);
  std::optional<std::string> getMenuNode(const XmlNode& element) const;
  std::optional<std::string> getNodeValue(const XmlNode& element) const;
  std::pair<std::string, std::string> getParameterNode(const XmlNode& parameter);
  std::int32_t sequenceNo(const XmlNode& element, bool trimmed);
  [[noreturn]] void fail(const XmlNode& element, const std::string& what);

  XmlDocPtr doc;
  std::shared_ptr<UserData> userData;
  UserTable userInfoHash;
  std::string path;
  // The file being read: names the file in the messages of a reading that has not replaced `path` yet.
  std::string readingPath;
  log::Logger logger;
};

}  // namespace tev
