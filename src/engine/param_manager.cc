#include "engine/param_manager.h"

#include <exception>
#include <utility>

#include "common/error.h"
#include "common/java_text.h"
#include "config/vrc_parser.h"
#include "engine/class_registry.h"
#include "engine/param_errors.h"
#include "engine/transaction.h"

namespace tev {
namespace {

const std::string kParamValue = "param_value";
const std::string kOrderTypes = "order_types";
const std::string kSelf = "self";

bool hasParamValueBelow(const XmlNode& element) {
  for (const XmlNode& child : element.elementChildren()) {
    if (child.name() == kParamValue || hasParamValueBelow(child)) return true;
  }
  return false;
}

std::string idOf(const XmlNode& element) {
  return element.attribute("id").value_or("");
}

const MemberAccess& memberOf(const ParamObject& target, const std::string& name) {
  const MemberAccess* member =
      target.registry ? target.registry->findMember(target.className, name, true) : nullptr;
  if (member == nullptr || target.object == nullptr)
    throw Error("No field " + name + " in " + target.className);
  return *member;
}

}  // namespace

ParamObject ParamObject::of(Transaction& transaction) {
  ProcessingObject* object = transaction.getProcessingObject();
  return ParamObject{object, transaction.getClassName(), &transaction.getClassRegistry()};
}

ParamManager::ParamManager() : logger(log::get(kLoggerName)) {}

ParamManager::~ParamManager() = default;

std::string ParamManager::getParamPath(const ParamIds& path, const std::optional<ParamTypes>& types) {
  if (types && types->size() < path.size()) {
    throw IndexOutOfRange("types list of " + std::to_string(types->size()) + " entries for a path of " +
                          std::to_string(path.size()) + " ids");
  }
  std::string text;
  for (std::size_t i = 0; i < path.size(); ++i) {
    text += "/" + path[i];
    if (types && (*types)[i]) text += "[" + *(*types)[i] + "]";
  }
  return text;
}

std::string ParamManager::getParamValue(const ParamIds& path, const std::optional<ParamTypes>& types) {
  logger->debug("{}", "Looking for param: " + getParamPath(path, types));

  if (path.size() == 1 && userParams) {
    if (const UserParams* user = userParams()) {
      logger->debug("{}", "Looking at user level");
      if (std::optional<std::string> value = user->getParameterValue(path[0])) {
        logger->debug("{}", "Found User param:  " + *value);
        return *value;
      }
    }
  }
  if (whseParamList) {
    logger->debug("{}", "Looking at whse level");
    if (std::optional<std::string> value = whseParamList->getParamValue(path, types)) {
      logger->debug("{}", "Found Whse param:  " + *value);
      return *value;
    }
  }
  if (transParamList) {
    logger->debug("{}", "Looking at transaction level");
    if (std::optional<std::string> value = transParamList->getParamValue(path, types)) {
      logger->debug("{}", "Found Trans Param:  " + *value);
      return *value;
    }
  }
  if (globalParamList) {
    logger->debug("{}", "Looking at global level");
    std::optional<std::string> value = globalParamList->getParamValue(path, types);
    if (value && !trim(*value).empty()) {
      logger->debug("{}", "Found Global Param:  " + *value);
      return *value;
    }
  }
  logger->info("{}", "Failed to locate Param");
  return "";
}

bool ParamManager::getBooleanParamValue(const ParamIds& path, const std::optional<ParamTypes>& types) {
  std::string value = getParamValue(path, types);
  std::string lower = toLowerCase(value);
  if (lower == "yes") return true;
  if (lower == "no") return false;
  throw InvalidParameter(getParamPath(path, types) + " has value: " + value);
}

std::string ParamManager::templatePath() const {
  return fileLocator ? fileLocator->getStandardDataFilePath("empty.xml") : std::string();
}

void ParamManager::initialize() {
  globalParamList = std::make_unique<GlobalParamListBean>();
  std::optional<std::string> path;
  if (fileLocator) path = fileLocator->getParamsFilePath("global_param_list");
  if (path) {
    globalParamList->initialize(*path, templatePath());
  } else {
    logger->debug("{}", "Global params file not found");
  }
}

void ParamManager::initialize(const ParamIds& baseIds) {
  baseParamIds = baseIds;
  initialize();
}

bool ParamManager::loadTransactionParams(const std::string& transactionId) {
  currentTransactionId = transactionId;
  std::optional<std::string> path;
  if (fileLocator) path = fileLocator->getParamsFilePath(transactionId);
  if (!path) {
    logger->debug("{}", "Trans params file not found. trans: " + transactionId);
    transParamList.reset();
    transParamsPath.clear();
    return false;
  }
  logger->debug("{}", "Loading the trans params file: " + *path);
  transParamList = std::make_unique<TransactionParamListBean>();
  transParamList->initialize(*path, templatePath());
  transParamsPath = *path;
  return true;
}

std::optional<std::string> ParamManager::whseFilePath(const std::string& warehouse,
                                                      const std::string& transactionId) {
  if (!fileLocator) return std::nullopt;
  return fileLocator->getParamsFilePath(fileLocator->getCurrentEnvironmentId(), warehouse, transactionId,
                                        false);
}

void ParamManager::useWhseFile(const std::optional<std::string>& path) {
  if (!path) {
    whseParamList.reset();
    whseParamsPath.clear();
    return;
  }
  logger->debug("{}", "Loading the whse params file: " + *path);
  whseParamList = std::make_unique<TransactionParamListBean>();
  whseParamList->initialize(*path, templatePath(), baseParamIds);
  whseParamsPath = *path;
}

bool ParamManager::loadWhseParams(const std::string& warehouse) {
  std::optional<std::string> path = whseFilePath(warehouse, currentTransactionId);
  if (!path) logger->debug("{}", "Whse Params file not found");
  useWhseFile(path);
  return path.has_value();
}

void ParamManager::loadWhseParams(const std::string& warehouse, const std::string& transactionId) {
  std::optional<std::string> path = whseFilePath(warehouse, transactionId);
  if (!path) {
    logger->debug("{}", "Whse params file not found. whse: " + warehouse + ", trans: " + transactionId);
  }
  useWhseFile(path);
  loadTransactionParams(transactionId);
}

void ParamManager::loadParameters(const ParamIds& ids, const ParamTarget& target) {
  logger->debug("{}", " transParmList = " + (transParamList ? transParamsPath : std::string("null")) +
                          "  whseParamList = " + (whseParamList ? whseParamsPath : std::string("null")));
  if (!transParamList) return;

  ParamIds path = baseParamIds.value_or(ParamIds{});
  path.insert(path.end(), ids.begin(), ids.end());
  for (const std::string& id : path) logger->debug("{}", "Id: " + id);
  std::optional<XmlNode> element = transParamList->getParamNode(path, std::nullopt);
  logger->debug("{}", "Loaded: " + (element ? element->toString() : std::string("null")));
  if (!element) return;
  loadParameters(*element, path, target, false);
}

void ParamManager::loadParameters(const XmlNode& element, const ParamIds& path, const ParamTarget& target,
                                  bool autoOnly) {
  if (!transParamList) return;
  const std::string id = idOf(element);
  const std::string loadType = element.attribute("load_type").value_or("");
  if (autoOnly && loadType != "auto" && !loadType.empty()) return;
  logger->debug("{}", "Loading: " + id);
  logger->debug("{}", "Loading: " + element.toString());

  if (hasParamValueBelow(element)) {
    for (const XmlNode& child : element.elementChildren()) {
      if (child.name() != kParamValue) continue;
      ParamIds childPath = path;
      childPath.push_back(idOf(child));
      loadParameters(child, childPath, target, true);
    }
    return;
  }
  // The root of a file without parameters has nothing to load.
  if (element.name() != kParamValue) return;
  try {
    loadLeaf(id, path, target);
  } catch (const std::exception& e) {
    logger->warn("{}",
                 "THROW ParamManager.loadParameters " + getParamPath(path, std::nullopt) + ": " + e.what());
  }
}

void ParamManager::loadLeaf(const std::string& id, const ParamIds& path, const ParamTarget& target) {
  // "self" holds the value of its group: it fills the member named after the group.
  std::string name = id;
  if (id == kSelf) {
    if (path.size() < 2) throw Error("The parameter self must lie inside a group");
    name = path[path.size() - 2];
  }
  if (ParamTable* const* table = std::get_if<ParamTable*>(&target)) {
    (**table)[id] = getParamValue(path);
    return;
  }
  const ParamObject& object = std::get<ParamObject>(target);
  const MemberAccess& member = memberOf(object, "pm_" + name);
  if (member.kind == MemberKind::Boolean) {
    member.set(*object.object, MemberValue(getBooleanParamValue(path)));
  } else {
    member.set(*object.object, MemberValue(getParamValue(path)));
  }
}

void ParamManager::loadOrderTypes(const ParamObject& target) {
  if (!transParamList) return;
  std::optional<XmlNode> orderTypes = transParamList->getParamNode({kOrderTypes}, std::nullopt);
  if (!orderTypes) return;

  std::vector<std::string> keys;
  std::vector<std::string> display;
  for (const XmlNode& child : orderTypes->elementChildren()) {
    if (child.name() != kParamValue) continue;
    const std::string type = idOf(child);
    if (getBooleanParamValue({kOrderTypes, type, kSelf})) {
      keys.push_back(type);
      display.push_back(getParamValue({kOrderTypes, type, "label"}));
    }
  }
  memberOf(target, "pm_order_types_keys").set(*target.object, MemberValue(std::move(keys)));
  memberOf(target, "pm_order_types_display").set(*target.object, MemberValue(std::move(display)));
}

}  // namespace tev
