// ParamManager: the parameters of a session (mail settings, decimal and date formats, location rules, order
// types, the length limit of input, the time an error line stays, and the "pm_" members of transaction
// classes), read by a path of ids with a fixed four-level resolution:
//
//   1. the logged-in user's parameter, only for a path of exactly one id (an empty value counts);
//   2. the warehouse's copy of the current transaction's parameter file (params/<whse>/<trans>Trans.xml);
//   3. the current transaction's parameter file (params/<trans>Trans.xml);
//   4. the global file (params/global_param_list.xml), where a value made only of characters up to U+0020
//      counts as missing;
//   none of them: "" (logged "Failed to locate Param").
//
// The first level that has the element wins, an empty value included. A value is the element's first child's
// text, so the path of a group reads as the white space before its first child and counts as found.
//
// The service registry holds one manager for the process, pointed at the files of the transaction started
// last; a pop-up transaction gets its own. Nothing is cached: each read evaluates up to three path queries on
// the documents loaded by the last load of each level, and writes debug lines to the logger
// "tev.framework.application.ParamManager.Logger". One manager is used by one thread; it takes no locks.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/log.h"
#include "config/global_param_list_bean.h"
#include "config/param_list_bean.h"
#include "config/transaction_param_list_bean.h"
#include "xml/xml_node.h"

namespace tev {

class ClassRegistry;
class ProcessingObject;
class Transaction;
class VRCParser;

// The user level: the parameters of the logged-in user (UserData implements it).
class UserParams {
 public:
  virtual ~UserParams() = default;
  // The user's parameter of that id, "" included; nothing when the user has none of that id.
  virtual std::optional<std::string> getParameterValue(const std::string& id) const = 0;
};

// The logged-in user's parameters; nullptr while nobody is logged in.
using UserParamsSource = std::function<const UserParams*()>;

// A transaction class instance whose public "pm_" members automatic loading fills. The members are found by
// name in the registry under className, declared by the class or one of its bases.
struct ParamObject {
  ProcessingObject* object = nullptr;
  std::string className;
  const ClassRegistry* registry = nullptr;

  // The processing object of a running transaction (created when it does not exist yet, which throws
  // tev::Error for an unregistered class), its class name and its registry.
  static ParamObject of(Transaction& transaction);
};

// Automatic loading into a table instead: leaf id -> value.
using ParamTable = std::map<std::string, std::string>;
using ParamTarget = std::variant<ParamObject, ParamTable*>;

class ParamManager {
 public:
  static inline const std::string kLoggerName = "tev.framework.application.ParamManager.Logger";

  // Creates the logger; every level starts absent, and without a file locator no file is ever found.
  ParamManager();
  virtual ~ParamManager();
  ParamManager(const ParamManager&) = delete;
  ParamManager& operator=(const ParamManager&) = delete;

  // The file locator of the process (not owned; must outlive the manager). Its current environment is the
  // environment whose warehouse files are looked for.
  void setFileLocator(VRCParser* locator) { fileLocator = locator; }
  // Who is logged in now; without a source the user level never answers.
  void setUserParams(UserParamsSource source) { userParams = std::move(source); }

  // getParamValue read as yes/no: "yes" and "no" in any letter case. Anything else, a missing parameter's ""
  // included, throws InvalidParameter: path text + " has value: " + the value as read.
  virtual bool getBooleanParamValue(const ParamIds& path, const std::optional<ParamTypes>& types = {});
  // The four-level resolution; never fails for a missing parameter. A types entry restricts its step to
  // elements of that type attribute; a types list shorter than the path throws IndexOutOfRange.
  virtual std::string getParamValue(const ParamIds& path, const std::optional<ParamTypes>& types = {});

  // Loads the global file (the locator's "global_param_list" with the template "empty.xml"). A global file
  // that is missing or unreadable leaves a level that never answers.
  virtual void initialize();
  // baseParamIds = baseIds, then initialize().
  virtual void initialize(const ParamIds& baseIds);

  // Sets the object's pm_order_types_keys and pm_order_types_display (text lists) to the ids of the
  // order types under "order_types" in the transaction file whose "self" is yes, and their "label"s.
  // Nothing happens without a transaction file or without "order_types" in it. Throws InvalidParameter when
  // an order type's self is missing or not yes/no, and tev::Error for a missing or mistyped member.
  virtual void loadOrderTypes(const ParamObject& target);

  // One step of automatic loading: a group loads each param_value child (path + its id) with autoOnly on,
  // a leaf sets its member or table entry. With autoOnly, an element whose load_type is neither "auto" nor ""
  // is skipped with all below it. A failing leaf is logged and skipped; nothing is thrown.
  virtual void loadParameters(const XmlNode& element, const ParamIds& path, const ParamTarget& target,
                              bool autoOnly);
  // Automatic loading: the element at baseParamIds + ids of the transaction file (its root for an empty
  // path), loaded with autoOnly off. Does nothing without a transaction file. Never throws.
  virtual void loadParameters(const ParamIds& ids, const ParamTarget& target);

  // currentTransactionId = transactionId; loads its file into the transaction level (none when not found).
  virtual bool loadTransactionParams(const std::string& transactionId);
  // Loads the warehouse's copy of currentTransactionId's file (with baseParamIds) into the warehouse level
  // (none when not found; relative environments are not followed).
  virtual bool loadWhseParams(const std::string& warehouse);
  // The warehouse's copy of that transaction's file, then loadTransactionParams (transactionId).
  virtual void loadWhseParams(const std::string& warehouse, const std::string& transactionId);

  // The loaded levels; nullptr when absent.
  GlobalParamListBean* getGlobalParamList() const { return globalParamList.get(); }
  TransactionParamListBean* getTransParamList() const { return transParamList.get(); }
  TransactionParamListBean* getWhseParamList() const { return whseParamList.get(); }
  const std::string& getCurrentTransactionId() const { return currentTransactionId; }
  const std::optional<ParamIds>& getBaseParamIds() const { return baseParamIds; }

 private:
  // The text form of a path: "/" + id for each step, with "[" + type + "]" when the step has a type.
  static std::string getParamPath(const ParamIds& path, const std::optional<ParamTypes>& types);

  std::string templatePath() const;
  // The warehouse file of the transaction in the locator's current environment, not following relatives.
  std::optional<std::string> whseFilePath(const std::string& warehouse, const std::string& transactionId);
  void useWhseFile(const std::optional<std::string>& path);
  void loadLeaf(const std::string& id, const ParamIds& path, const ParamTarget& target);

  std::unique_ptr<GlobalParamListBean> globalParamList;
  std::unique_ptr<TransactionParamListBean> transParamList;
  std::unique_ptr<TransactionParamListBean> whseParamList;
  std::string transParamsPath;  // of the loaded levels, for debug lines
  std::string whseParamsPath;
  std::string currentTransactionId;
  std::optional<ParamIds> baseParamIds;
  log::Logger logger;

  VRCParser* fileLocator = nullptr;
  UserParamsSource userParams;
};

}  // namespace tev
