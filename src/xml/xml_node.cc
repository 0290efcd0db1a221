#include "xml/xml_node.h"

#include <libxml/valid.h>

#include <stdexcept>

namespace tev {
namespace {

std::string text(const xmlChar* value) {
  return value != nullptr ? reinterpret_cast<const char*>(value) : "";
}
const xmlChar* xml(const std::string& value) {
  return reinterpret_cast<const xmlChar*>(value.c_str());
}

// Copies and frees a string libxml2 allocated for us.
std::string take(xmlChar* value) {
  std::string result = text(value);
  xmlFree(value);
  return result;
}

std::string qualified(xmlNodePtr node) {
  std::string name = text(node->name);
  if (node->ns != nullptr && node->ns->prefix != nullptr) name = text(node->ns->prefix) + ":" + name;
  return name;
}

}  // namespace

XmlNode::XmlNode(xmlNodePtr node) : node_(node) {
  if (node == nullptr) throw std::invalid_argument("XmlNode over a null node");
}

std::optional<XmlNode> XmlNode::from(xmlNodePtr node) {
  if (node == nullptr) return std::nullopt;
  return XmlNode(node);
}

bool XmlNode::isDocument() const {
  return node_->type == XML_DOCUMENT_NODE || node_->type == XML_HTML_DOCUMENT_NODE;
}

std::string XmlNode::name() const {
  switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return qualified(node_);
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    case XML_COMMENT_NODE:
      return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return "#document";
    case XML_DOCUMENT_FRAG_NODE:
      return "#document-fragment";
    default:
      return text(node_->name);
  }
}

std::optional<std::string> XmlNode::value() const {
  switch (node_->type) {
    case XML_ATTRIBUTE_NODE:
      return take(xmlNodeGetContent(node_));
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return text(node_->content);
    default:
      return std::nullopt;
  }
}

bool XmlNode::setValue(const std::string& value) {
  switch (node_->type) {
    case XML_ATTRIBUTE_NODE: {
      auto* attr = reinterpret_cast<xmlAttrPtr>(node_);
      if (attr->parent != nullptr)
        return xmlSetNsProp(attr->parent, attr->ns, attr->name, xml(value)) != nullptr;
      // A detached attribute: replace its children by one text node.
      xmlFreeNodeList(attr->children);
      attr->children = attr->last = nullptr;
      xmlNodePtr child = xmlNewDocText(attr->doc, xml(value));
      if (child == nullptr) return false;
      child->parent = node_;
      attr->children = attr->last = child;
      return true;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      xmlNodeSetContent(node_, xml(value));  // raw text for these node types, no entity parsing
      return true;
    default:
      return false;
  }
}

std::string XmlNode::textContent() const {
  return take(xmlNodeGetContent(node_));
}

std::optional<std::string> XmlNode::attribute(const std::string& name) const {
  if (!isElement()) return std::nullopt;
  xmlAttrPtr attr = xmlHasProp(node_, xml(name));
  if (attr == nullptr || attr->type != XML_ATTRIBUTE_NODE) return std::nullopt;
  return take(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
}

bool XmlNode::setAttribute(const std::string& name, const std::string& value) {
  if (!isElement()) return false;
  return xmlSetProp(node_, xml(name), xml(value)) != nullptr;
}

std::optional<XmlNode> XmlNode::parent() const {
  if (isAttribute() || isDocument()) return std::nullopt;
  return from(node_->parent);
}

std::optional<XmlNode> XmlNode::ownerElement() const {
  if (!isAttribute()) return std::nullopt;
  return from(node_->parent);
}

std::optional<XmlNode> XmlNode::firstChild() const {
  switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
      return from(node_->children);
    default:
      return std::nullopt;  // text-like nodes have none; an entity reference's children are its declaration
  }
}

std::optional<XmlNode> XmlNode::nextSibling() const {
  if (isAttribute() || isDocument()) return std::nullopt;
  return from(node_->next);
}

std::vector<XmlNode> XmlNode::children() const {
  std::vector<XmlNode> result;
  for (auto child = firstChild(); child; child = child->nextSibling()) result.push_back(*child);
  return result;
}

std::vector<XmlNode> XmlNode::elementChildren() const {
  std::vector<XmlNode> result;
  for (auto child = firstChild(); child; child = child->nextSibling())
    if (child->isElement()) result.push_back(*child);
  return result;
}

bool XmlNode::appendText(const std::string& value) {
  if (!isElement()) return false;
  xmlNodePtr child = xmlNewDocText(node_->doc, xml(value));
  if (child == nullptr) return false;
  if (xmlAddChild(node_, child) == nullptr) {
    xmlFreeNode(child);
    return false;
  }
  return true;
}

std::optional<XmlNode> XmlNode::appendElement(const std::string& name) {
  if (!isElement() || xmlValidateName(xml(name), 0) != 0) return std::nullopt;
  xmlNodePtr child = xmlNewDocNode(node_->doc, nullptr, xml(name), nullptr);
  if (child == nullptr) return std::nullopt;
  if (xmlAddChild(node_, child) == nullptr) {
    xmlFreeNode(child);
    return std::nullopt;
  }
  return XmlNode(child);
}

std::optional<XmlNode> XmlNode::importChild(const XmlNode& from) {
  if (!isElement()) return std::nullopt;
  switch (from.type()) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      break;
    default:
      return std::nullopt;
  }
  xmlNodePtr copy = xmlDocCopyNode(from.raw(), node_->doc, 1);
  if (copy == nullptr) return std::nullopt;
  xmlNodePtr added = xmlAddChild(node_, copy);
  if (added == nullptr) {
    xmlFreeNode(copy);
    return std::nullopt;
  }
  return XmlNode(added);
}

std::string XmlNode::toString() const {
  std::string text = "[";
  text.append(name()).append(": ").append(value().value_or("null")).append("]");
  return text;
}

}  // namespace tev
