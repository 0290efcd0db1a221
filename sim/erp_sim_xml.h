// ErpSimXml: strict reading of the simulator's own XML files (rules and data). Every element and attribute
// name is checked against what the file format allows, so a typing mistake stops the simulator at start-up
// with the file, the line and the cause, instead of silently answering differently.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev::sim {

class ErpSimXml {
 public:
  // Parses a file / a text; throws ErpSimRulesError naming it.
  static ErpSimXml load(const std::string& path);
  static ErpSimXml parse(const std::string& text, const std::string& name);

  const std::string& name() const { return name_; }
  // The document element, which must have this name.
  XmlNode root(std::string_view expected) const;

  void expectName(const XmlNode& node, std::string_view expected) const;
  // Every attribute of the element is one of these.
  void expectAttributes(const XmlNode& element, std::initializer_list<std::string_view> allowed) const;
  // An attribute that must be present and not blank, trimmed.
  std::string required(const XmlNode& element, const std::string& attribute) const;
  // An attribute as written (nothing when absent).
  static std::optional<std::string> optional(const XmlNode& element, const std::string& attribute);
  // Every attribute of the element, as written.
  static std::map<std::string, std::string, std::less<>> attributes(const XmlNode& element);

  [[noreturn]] void fail(const XmlNode& node, const std::string& message) const;

 private:
  ErpSimXml(XmlDocPtr doc, std::string name) : doc_(std::move(doc)), name_(std::move(name)) {}

  XmlDocPtr doc_;
  std::string name_;
};

}  // namespace tev::sim
