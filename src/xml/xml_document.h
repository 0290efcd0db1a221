// Owning pointer to a libxml2 document and the one way this code base parses XML.
//
// Parsing is safe for files and texts we do not control: no network access, no DTD loading, no external
// entities, no entity substitution, no validation. Whitespace text nodes and CDATA sections are kept as they
// are.
//
// Namespaces are not interpreted: after parsing, every element and attribute is moved out of its namespace (a
// prefixed name "p:name" becomes the plain name "p:name") and every namespace declaration becomes an ordinary
// "xmlns" / "xmlns:p" attribute. So an XPath name test such as /environment_list matches an element whatever
// default namespace its document declares, and a saved document keeps its declarations.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>

namespace tev {

struct XmlDocFree {
  void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

// Parses a file. Nothing (null) on failure, with the reason (a missing file, the parser's messages) in cause.
XmlDocPtr parseXmlFile(const std::string& path, std::string& cause);
// Parses a text; url names it in messages and serves as its base. Nothing on failure, as above.
XmlDocPtr parseXmlText(const std::string& text, std::string& cause, const std::string& url = "");

// The whole document as libxml2 writes it: the declaration with the document's encoding (UTF-8 when it
// declared none), then its top-level nodes, the tree as it is. Nothing on failure, with the reason in cause.
std::optional<std::string> serialiseDocument(xmlDocPtr doc, std::string& cause);
// One node and its content as UTF-8 XML text, without declaration and without added indentation.
std::optional<std::string> serialiseNode(xmlNodePtr node, std::string& cause);

}  // namespace tev
