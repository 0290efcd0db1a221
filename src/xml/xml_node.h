// XmlNode: a small non-owning handle on one node of a libxml2 document (an element, an attribute, a text
// node, a comment, the document itself ...). It never frees anything: it is valid while the document that
// holds the node lives and the node is not removed from it. A handle is never null; "no node" is
// std::optional<XmlNode>.
//
// Node values follow the DOM rules the rest of the system relies on: an element, the document and an entity
// reference have no value of their own (value() is nothing); an attribute's value is its text; a text node, a
// CDATA section, a comment and a processing instruction have their text as value.
#pragma once

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <vector>

namespace tev {

class XmlNode {
 public:
  // The node must not be null (use from() for a pointer that may be).
  explicit XmlNode(xmlNodePtr node);
  static std::optional<XmlNode> from(xmlNodePtr node);

  xmlNodePtr raw() const { return node_; }
  xmlElementType type() const { return node_->type; }
  bool isElement() const { return node_->type == XML_ELEMENT_NODE; }
  bool isAttribute() const { return node_->type == XML_ATTRIBUTE_NODE; }
  // A text node or a CDATA section.
  bool isText() const { return node_->type == XML_TEXT_NODE || node_->type == XML_CDATA_SECTION_NODE; }
  bool isDocument() const;

  // The DOM node name: the element or attribute name, "#text", "#cdata-section", "#comment", "#document",
  // the target of a processing instruction.
  std::string name() const;
  // The DOM node value (see above).
  std::optional<std::string> value() const;
  // Sets the value of a node that has one (attribute, text, CDATA, comment, processing instruction) and
  // returns true; on any other node (an element, the document) nothing changes and the result is false.
  bool setValue(const std::string& value);
  // The whole text below the node (all descendant texts, in document order).
  std::string textContent() const;

  // The attribute of an element; nothing when the node is no element or has no such attribute.
  std::optional<std::string> attribute(const std::string& name) const;
  // Sets (creates or replaces) an attribute of an element; false when the node is no element.
  bool setAttribute(const std::string& name, const std::string& value);

  // The DOM parent: nothing for the document and for an attribute (see ownerElement()).
  std::optional<XmlNode> parent() const;
  // The element that holds an attribute; nothing for other nodes.
  std::optional<XmlNode> ownerElement() const;
  // The first child: for an attribute, the text node that holds its value (when it has one).
  std::optional<XmlNode> firstChild() const;
  std::optional<XmlNode> nextSibling() const;
  std::vector<XmlNode> children() const;
  std::vector<XmlNode> elementChildren() const;

  // Appends a new text node to an element (false, and nothing changes, for any other node).
  bool appendText(const std::string& text);
  // Appends a new element of that name (nothing when the node is no element or the name is not a valid XML
  // name).
  std::optional<XmlNode> appendElement(const std::string& name);
  // Appends a deep copy of an element, a text, a comment or a processing instruction (of this document or of
  // another one) as the last child of this element and returns the copy. Nothing, and nothing changes, when
  // this node is no element or the node given cannot be a child (an attribute, a document). A text copied
  // next to a text is merged into it by libxml2: the result is then that merged node.
  std::optional<XmlNode> importChild(const XmlNode& from);

  // "[" + name + ": " + value + "]", with "null" for an absent value.
  std::string toString() const;

  friend bool operator==(const XmlNode& a, const XmlNode& b) { return a.node_ == b.node_; }

 private:
  xmlNodePtr node_;
};

}  // namespace tev
