#include "sim/erp_sim_xml.h"

#include "common/java_text.h"
#include "sim/erp_sim_rules_error.h"

namespace tev::sim {
namespace {

std::string text(const xmlChar* value) {
  return value != nullptr ? reinterpret_cast<const char*>(value) : "";
}

}  // namespace

ErpSimXml ErpSimXml::load(const std::string& path) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (!doc) throw ErpSimRulesError(path + ": " + cause);
  return ErpSimXml(std::move(doc), path);
}

ErpSimXml ErpSimXml::parse(const std::string& text, const std::string& name) {
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause, name);
  if (!doc) throw ErpSimRulesError(name + ": " + cause);
  return ErpSimXml(std::move(doc), name);
}

XmlNode ErpSimXml::root(std::string_view expected) const {
  xmlNodePtr element = xmlDocGetRootElement(doc_.get());
  if (element == nullptr) throw ErpSimRulesError(name_ + ": no document element");
  XmlNode node(element);
  expectName(node, expected);
  return node;
}

void ErpSimXml::expectName(const XmlNode& node, std::string_view expected) const {
  if (node.name() != expected)
    fail(node, "<" + node.name() + "> found where <" + std::string(expected) + "> belongs");
}

void ErpSimXml::expectAttributes(const XmlNode& element,
                                 std::initializer_list<std::string_view> allowed) const {
  for (xmlAttrPtr attribute = element.raw()->properties; attribute != nullptr; attribute = attribute->next) {
    std::string name = text(attribute->name);
    bool known = false;
    for (std::string_view candidate : allowed) known = known || candidate == name;
    if (!known) fail(element, "<" + element.name() + "> has no attribute \"" + name + "\"");
  }
}

std::string ErpSimXml::required(const XmlNode& element, const std::string& attribute) const {
  std::optional<std::string> value = element.attribute(attribute);
  std::string trimmed = value ? trim(*value) : "";
  if (trimmed.empty()) fail(element, "<" + element.name() + "> needs the attribute \"" + attribute + "\"");
  return trimmed;
}

std::optional<std::string> ErpSimXml::optional(const XmlNode& element, const std::string& attribute) {
  return element.attribute(attribute);
}

std::map<std::string, std::string, std::less<>> ErpSimXml::attributes(const XmlNode& element) {
  std::map<std::string, std::string, std::less<>> values;
  for (xmlAttrPtr attribute = element.raw()->properties; attribute != nullptr; attribute = attribute->next) {
    std::string name = text(attribute->name);
    values[name] = element.attribute(name).value_or("");
  }
  return values;
}

void ErpSimXml::fail(const XmlNode& node, const std::string& message) const {
  throw ErpSimRulesError(name_ + " line " + std::to_string(xmlGetLineNo(node.raw())) + ": " + message);
}

}  // namespace tev::sim
