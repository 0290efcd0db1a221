#include "xml/xml_query.h"

namespace tev {

std::optional<std::string> XMLQuery::readValue(const std::string& expr, const XmlNode* context) {
  std::string cause;
  auto node = selectFirst(expr, cause, context);
  if (!node) {
    logLookupError(expr, cause);
    return std::nullopt;
  }
  if (!node->isElement()) return node->value();
  auto child = node->firstChild();
  if (!child) {
    logLookupError(expr, "the element has no child");
    return std::nullopt;
  }
  return child->value();
}

std::optional<std::string> XMLQuery::getNodeValue(const std::string& expr) {
  return readValue(expr, nullptr);
}

std::optional<std::string> XMLQuery::getNodeValue(const std::string& expr, const XmlNode& context) {
  return readValue(expr, &context);
}

std::optional<std::vector<XmlNode>> XMLQuery::getNodeList(const std::string& expr, const XmlNode& context) {
  std::string cause;
  auto nodes = select(expr, cause, &context);
  if (!nodes) logLookupError(expr, cause);
  return nodes;
}

std::optional<std::vector<std::optional<std::string>>> XMLQuery::getNodeValues(const std::string& expr) {
  std::string cause;
  auto nodes = select(expr, cause);
  if (!nodes) {
    logLookupError(expr, cause);
    return std::nullopt;
  }
  std::vector<std::optional<std::string>> values;
  values.reserve(nodes->size());
  for (const XmlNode& node : *nodes) values.push_back(node.value());
  return values;
}

void XMLQuery::setNodeValueByParsedExpr(const std::string& format, const std::vector<std::string>& args,
                                        const std::string& value) {
  logger()->debug("{}", "Looking for expression" + format);
  std::string cause;
  auto node = selectFirstByParsedExpr(format, args, cause);
  if (node && setFirstChildValue(*node, value, cause)) return;
  logError("Error in setting the value: " + value + " to Expr: " + format, cause);
}

void XMLQuery::saveXMLFile() {
  std::string cause = "no document loaded";
  xmlDocPtr doc = getXMLDocument();
  std::optional<std::string> root;
  if (doc != nullptr) root = serialiseNode(xmlDocGetRootElement(doc), cause);
  if (!root) failSave(cause);
  writeSaveFile("<?xml version='1.0'?>\n" + *root + "\n");
}

}  // namespace tev
