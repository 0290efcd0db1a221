#include "config/service_pack.h"

#include <libxml/tree.h>

#include "common/java_text.h"
#include "common/log.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";

// The text of the children of that name, in document order.
std::vector<std::string> childTexts(const XmlNode& element, const std::string& name) {
  std::vector<std::string> texts;
  for (const XmlNode& child : element.elementChildren())
    if (child.name() == name) texts.push_back(child.textContent());
  return texts;
}

bool parseXsBoolean(const std::optional<std::string>& text) {
  if (!text) return false;
  std::string value = trim(*text);
  return value == "true" || value == "1";
}

FileListType readFileList(const XmlNode& element) {
  FileListType list;
  for (const XmlNode& child : element.elementChildren()) {
    if (child.name() != "file") continue;
    FileType file;
    auto names = childTexts(child, "name");
    if (!names.empty()) file.name = names.front();
    file.derived = parseXsBoolean(child.attribute("derived"));
    list.file.push_back(std::move(file));
  }
  return list;
}

StandardActionListType readStandardActions(const XmlNode& element) {
  StandardActionListType list;
  for (const XmlNode& child : element.elementChildren())
    if (child.name() == "standard_action") list.standardAction.push_back({childTexts(child, "action")});
  return list;
}

ServicePackType readServicePack(const XmlNode& root) {
  ServicePackType pack;
  pack.id = root.attribute("id").value_or("");
  for (const XmlNode& child : root.elementChildren()) {
    const std::string name = child.name();
    if (name == "description") {
      pack.description = child.textContent();
    } else if (name == "depends") {
      pack.depends.servicePackId = childTexts(child, "service_pack_id");
    } else if (name == "runtime_hierarchy") {
      pack.runtimeHierarchy.servicePackId = childTexts(child, "service_pack_id");
    } else if (name == "custom_action_handler") {
      pack.customActionHandler = child.textContent();
    } else if (name == "changed_framework_file_list") {
      pack.changedFrameworkFileList = readFileList(child);
    } else if (name == "new_framework_file_list") {
      pack.newFrameworkFileList = readFileList(child);
    } else if (name == "affected_framework_data_file_list") {
      pack.affectedFrameworkDataFileList = readFileList(child);
    } else if (name == "changed_environment_file_list") {
      pack.changedEnvironmentFileList = readFileList(child);
    } else if (name == "new_environment_file_list") {
      pack.newEnvironmentFileList = readFileList(child);
    } else if (name == "affected_environment_data_file_list") {
      pack.affectedEnvironmentDataFileList = readFileList(child);
    } else if (name == "standard_action_list") {
      pack.standardActionList = readStandardActions(child);
    }
  }
  return pack;
}

}  // namespace

std::optional<ServicePackType> ServicePackUtil::getServicePack(const std::string& path) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (doc != nullptr) {
    auto root = XmlNode::from(xmlDocGetRootElement(doc.get()));
    if (root && root->name() == "service_pack") return readServicePack(*root);
    cause = root ? "unexpected element " + root->name() + ", expected service_pack" : "the document is empty";
  }
  log::get(kLoggerName)->error("{}", "Failed to to service pack info: " + path + " - " + cause);
  return std::nullopt;
}

}  // namespace tev
