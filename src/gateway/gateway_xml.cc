#include "gateway/gateway_xml.h"

namespace tev::gateway_xml {
namespace {

void collect(const XmlNode& node, const std::string& name, std::vector<XmlNode>& found, bool firstOnly) {
  for (const XmlNode& child : node.elementChildren()) {
    if (firstOnly && !found.empty()) return;
    if (child.name() == name) found.push_back(child);
    collect(child, name, found, firstOnly);
  }
}

}  // namespace

std::string escape(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '&':
        text += "&amp;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      default:
        text += c;
    }
  }
  return text;
}

std::vector<XmlNode> descendants(const XmlNode& node, const std::string& name) {
  std::vector<XmlNode> found;
  collect(node, name, found, false);
  return found;
}

std::optional<XmlNode> firstDescendant(const XmlNode& node, const std::string& name) {
  std::vector<XmlNode> found;
  collect(node, name, found, true);
  if (found.empty()) return std::nullopt;
  return found.front();
}

std::string firstChildText(const XmlNode& node) {
  std::optional<XmlNode> child = node.firstChild();
  if (!child) return "";
  return child->value().value_or("");
}

}  // namespace tev::gateway_xml
