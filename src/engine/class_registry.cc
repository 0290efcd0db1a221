#include "engine/class_registry.h"

#include <set>

namespace tev {

ClassRegistry& ClassRegistry::process() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::add(ClassDescriptor descriptor) {
  std::string name = descriptor.name;
  if (!classes_.emplace(name, std::move(descriptor)).second)
    throw Error("The class " + name + " is registered twice");
}

const ClassDescriptor* ClassRegistry::find(const std::string& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? nullptr : &it->second;
}

std::unique_ptr<ProcessingObject> ClassRegistry::create(const std::string& name) const {
  const ClassDescriptor* descriptor = find(name);
  if (descriptor == nullptr) throw Error("Class not found: " + name);
  if (!descriptor->factory) throw Error("Class cannot be instantiated: " + name);
  return descriptor->factory();
}

FoundHandler ClassRegistry::findHandler(const std::string& className, const std::string& name,
                                        const log::Logger& logger) const {
  FoundHandler found = findOwnHandler(className, name);
  if (found) return found;
  logger->info("Method : {} not present in the class :{}", name, className);
  std::set<std::string> seen{className};
  const ClassDescriptor* level = find(className);
  while (level != nullptr && !level->parent.empty() && level->parent != kTransactionUtils &&
         level->parent != kTransactionLogic && seen.insert(level->parent).second) {
    logger->info("Class Name : {}  SuperClass name :{}", className, level->parent);
    level = find(level->parent);
    if (level == nullptr) break;
    auto it = level->handlers.find(name);
    if (it != level->handlers.end()) found = FoundHandler{&it->second, level->name};
  }
  return found;
}

FoundHandler ClassRegistry::findOwnHandler(const std::string& className, const std::string& name) const {
  const ClassDescriptor* descriptor = find(className);
  if (descriptor == nullptr) return {};
  auto it = descriptor->handlers.find(name);
  if (it == descriptor->handlers.end()) return {};
  return FoundHandler{&it->second, descriptor->name};
}

const MemberAccess* ClassRegistry::findMember(const std::string& className, const std::string& name,
                                              bool withInherited) const {
  std::set<std::string> seen;
  for (const ClassDescriptor* level = find(className); level != nullptr && seen.insert(level->name).second;
       level = withInherited && !level->parent.empty() ? find(level->parent) : nullptr) {
    auto it = level->members.find(name);
    if (it != level->members.end()) return &it->second;
  }
  return nullptr;
}

}  // namespace tev
