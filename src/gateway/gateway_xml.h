// The small XML helpers the back-end paths share: escaping values for the request documents we write, and
// reading reply documents element by element (names compared as written: namespace prefixes are part of a
// name, see xml/xml_document.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_node.h"

namespace tev::gateway_xml {

// Every "&" as "&amp;", "<" as "&lt;", ">" as "&gt;"; nothing else changes (quotes are not escaped).
std::string escape(std::string_view value);

// The elements of that name below the node (not the node itself), in document order, at any depth.
std::vector<XmlNode> descendants(const XmlNode& node, const std::string& name);
// The first of them; nothing when there is none.
std::optional<XmlNode> firstDescendant(const XmlNode& node, const std::string& name);
// The value of the node's first child ("" when it has no child or the child has no value).
std::string firstChildText(const XmlNode& node);

}  // namespace tev::gateway_xml
