// XMLQuery: the XML helper of the definition readers (transactions, menus, users, key list, field dictionary)
// and of the back-end gateway. Besides the shared queries it evaluates expressions relative to a node, and it
// saves without any disk-space rule.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xml/xml_query_base.h"

namespace tev {

class XMLQuery : public XMLQueryBase {
 public:
  XMLQuery() = default;

  // The value of the first selected node: an element gives its first child's value (nothing, logged, when it
  // has no child); any other node its own value. Nothing (logged) when nothing is selected.
  std::optional<std::string> getNodeValue(const std::string& expr);
  // The same, with the expression evaluated relative to the context node.
  std::optional<std::string> getNodeValue(const std::string& expr, const XmlNode& context);
  // The nodes selected relative to the context node; nothing (logged) when the query fails.
  std::optional<std::vector<XmlNode>> getNodeList(const std::string& expr, const XmlNode& context);
  // The own value of every selected node, in order (an element adds an absent value); nothing when the query
  // fails.
  std::optional<std::vector<std::optional<std::string>>> getNodeValues(const std::string& expr);

  // Sets the first child's value of the node the filled template selects; a failure is logged.
  void setNodeValueByParsedExpr(const std::string& format, const std::vector<std::string>& args,
                                const std::string& value);

  // Writes the line "<?xml version='1.0'?>", the document element as XML text and a line end to the file the
  // document was loaded from. Throws XmlSaveError (and logs) when it cannot.
  void saveXMLFile();

 private:
  std::optional<std::string> readValue(const std::string& expr, const XmlNode* context);
};

}  // namespace tev
