#include "xml/xml_query_base.h"

#include <libxml/xpathInternals.h>

#include "common/replace_file.h"
#include "util/printf_format.h"
#include "xml/libxml_guard.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.beans.XmlLogger";
constexpr const char* kNothingSelected = "no node selected";

std::string withCause(const std::string& text, const std::string& cause) {
  return text + " - " + cause;
}

struct XPathObjectFree {
  void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

}  // namespace

XMLQueryBase::XMLQueryBase() : logger_(log::get(kLoggerName)) {
  LibxmlGuard guard;
  xpath_.reset(xmlXPathNewContext(nullptr));
}

XMLQueryBase::~XMLQueryBase() = default;

// ---- loading ----

bool XMLQueryBase::adopt(XmlDocPtr doc, const std::string& source, const std::string& cause) {
  if (doc == nullptr) {
    logError("Failed to load xml document: " + source, cause);
    return false;
  }
  xmlDoc_ = std::move(doc);
  if (xpath_ != nullptr) {
    xpath_->doc = xmlDoc_.get();
    xpath_->node = nullptr;
  }
  return true;
}

xmlDocPtr XMLQueryBase::loadXMLDocument(const std::string& path) {
  xmlFilePath_ = path;
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (!adopt(std::move(doc), path, cause)) return nullptr;
  logger_->info("{}", "Loaded xml document successfully: " + path);
  return xmlDoc_.get();
}

xmlDocPtr XMLQueryBase::loadXMLString(const std::string& text) {
  std::string cause;
  XmlDocPtr doc = parseXmlText(text, cause);
  if (!adopt(std::move(doc), "(text)", cause)) return nullptr;
  logger_->debug("{}", "Loaded xml document successfully: (text)");
  return xmlDoc_.get();
}

// ---- evaluation ----

std::optional<std::vector<XmlNode>> XMLQueryBase::select(const std::string& expr, std::string& cause,
                                                         const XmlNode* context) {
  if (xpath_ == nullptr) {
    cause = "no XPath evaluator";
    return std::nullopt;
  }
  xmlDocPtr doc = xmlDoc_.get();
  if (context != nullptr) {
    doc = context->raw()->doc;
  } else if (doc == nullptr) {
    cause = "no document loaded";
    return std::nullopt;
  }
  LibxmlGuard guard;
  xpath_->doc = doc;
  xpath_->node = context != nullptr ? context->raw() : reinterpret_cast<xmlNodePtr>(doc);
  std::unique_ptr<xmlXPathObject, XPathObjectFree> result(
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expr.c_str()), xpath_.get()));
  xpath_->doc = xmlDoc_.get();
  xpath_->node = nullptr;
  if (result == nullptr) {
    cause = guard.cause("XPath evaluation failed");
    return std::nullopt;
  }
  if (result->type != XPATH_NODESET) {
    cause = "the expression " + expr + " does not select nodes";
    return std::nullopt;
  }
  std::vector<XmlNode> nodes;
  xmlNodeSetPtr set = result->nodesetval;
  if (set != nullptr) {
    xmlXPathNodeSetSort(set);
    nodes.reserve(static_cast<size_t>(set->nodeNr));
    for (int i = 0; i < set->nodeNr; ++i) {
      xmlNodePtr node = set->nodeTab[i];
      // Namespace nodes are copies owned by the result: they cannot outlive it, and declarations are plain
      // attributes in our documents anyway.
      if (node == nullptr || node->type == XML_NAMESPACE_DECL) continue;
      nodes.emplace_back(node);
    }
  }
  return nodes;
}

std::optional<XmlNode> XMLQueryBase::selectFirst(const std::string& expr, std::string& cause,
                                                 const XmlNode* context) {
  auto nodes = select(expr, cause, context);
  if (!nodes) return std::nullopt;
  if (nodes->empty()) {
    cause = kNothingSelected;
    return std::nullopt;
  }
  return nodes->front();
}

std::optional<std::string> XMLQueryBase::formatExpr(const std::string& format,
                                                    const std::vector<std::string>& args,
                                                    std::string& cause) const {
  for (const std::string& arg : args) {
    if (arg.find('\'') != std::string::npos) {
      cause = "the value " + arg + " holds an apostrophe";
      return std::nullopt;
    }
  }
  try {
    return PrintfFormat(format).sprintf(args);
  } catch (const Error& e) {
    cause = e.what();
    return std::nullopt;
  }
}

std::optional<XmlNode> XMLQueryBase::selectFirstByParsedExpr(const std::string& format,
                                                             const std::vector<std::string>& args,
                                                             std::string& cause) {
  auto expr = formatExpr(format, args, cause);
  if (!expr) return std::nullopt;
  return selectFirst(*expr, cause);
}

std::optional<std::vector<XmlNode>> XMLQueryBase::lookUpByParsedExpr(const std::string& format,
                                                                     const std::vector<std::string>& args,
                                                                     bool logLooking) {
  std::string cause;
  auto expr = formatExpr(format, args, cause);
  if (!expr) {
    logLookupError(format, cause);
    return std::nullopt;
  }
  if (logLooking) logger_->debug("{}", "Looking for Expr: " + *expr);
  auto nodes = select(*expr, cause);
  if (!nodes) logLookupError(*expr, cause);
  return nodes;
}

// ---- queries ----

std::optional<XmlNode> XMLQueryBase::getNode(const std::string& expr) {
  std::string cause;
  auto nodes = select(expr, cause);
  if (!nodes) {
    logLookupError(expr, cause);
    return std::nullopt;
  }
  if (nodes->empty()) return std::nullopt;
  return nodes->front();
}

std::optional<XmlNode> XMLQueryBase::getNodeByParsedExpr(const std::string& format,
                                                         const std::vector<std::string>& args) {
  auto nodes = lookUpByParsedExpr(format, args, true);
  if (!nodes) return std::nullopt;
  std::optional<XmlNode> node;
  if (!nodes->empty()) node = nodes->front();
  logger_->debug("{}", "Selected node: " + (node ? node->toString() : std::string("null")));
  return node;
}

int XMLQueryBase::getNodeCount(const std::string& expr) {
  logger_->debug("{}", "Looking for Expr: " + expr);
  std::string cause;
  auto nodes = select(expr, cause);
  if (!nodes) {
    logLookupError(expr, cause);
    return -1;
  }
  int count = static_cast<int>(nodes->size());
  logger_->debug("{}", "No of nodes selected: " + std::to_string(count));
  return count;
}

int XMLQueryBase::getNodeCountByParsedExpr(const std::string& format, const std::vector<std::string>& args) {
  std::string cause;
  auto expr = formatExpr(format, args, cause);
  if (!expr) {
    logLookupError(format, cause);
    return -1;
  }
  return getNodeCount(*expr);
}

std::optional<std::vector<XmlNode>> XMLQueryBase::getNodesByParsedExpr(const std::string& format,
                                                                       const std::vector<std::string>& args) {
  return lookUpByParsedExpr(format, args, true);
}

std::optional<std::string> XMLQueryBase::getNodeValueByParsedExpr(const std::string& format,
                                                                  const std::vector<std::string>& args) {
  std::string cause;
  auto expr = formatExpr(format, args, cause);
  if (!expr) {
    logLookupError(format, cause);
    return std::nullopt;
  }
  auto node = selectFirst(*expr, cause);
  if (!node) {
    logLookupError(*expr, cause);
    return std::nullopt;
  }
  if (node->isElement()) {
    auto child = node->firstChild();
    if (!child) {
      logLookupError(*expr, "the element has no child");
      return std::nullopt;
    }
    return child->value();
  }
  if (node->isAttribute()) return node->value();
  return std::nullopt;
}

std::optional<std::vector<std::optional<std::string>>> XMLQueryBase::getNodeValuesByParsedExpr(
    const std::string& format, const std::vector<std::string>& args) {
  auto nodes = lookUpByParsedExpr(format, args, false);
  if (!nodes) return std::nullopt;
  logger_->debug("{}", "No of nodes selected: " + std::to_string(nodes->size()));
  std::vector<std::optional<std::string>> values;
  values.reserve(nodes->size());
  for (const XmlNode& node : *nodes) values.push_back(node.value());
  return values;
}

// ---- updates ----

bool XMLQueryBase::setFirstChildValue(XmlNode node, const std::string& value, std::string& cause) {
  if (node.isAttribute()) return node.setValue(value);
  auto child = node.firstChild();
  if (!child) {
    cause = "the node has no child";
    return false;
  }
  child->setValue(value);  // a child without a value of its own (an element) stays as it is
  return true;
}

bool XMLQueryBase::setNodeValue(const std::string& expr, const std::string& value) {
  std::string cause;
  auto nodes = select(expr, cause);
  if (nodes) {
    logger_->debug("{}", "Setting node: " + expr + ", value as: " + value);
    if (nodes->empty()) {
      cause = kNothingSelected;
    } else {
      XmlNode node = nodes->front();
      if (node.isAttribute() || node.firstChild()) {
        if (setFirstChildValue(node, value, cause)) return true;
      } else if (node.appendText(value)) {
        return true;
      } else {
        cause = "a " + node.name() + " node cannot hold a text";
      }
    }
  }
  logError("Error in setting value: " + value + " for Expr: " + expr, cause);
  return false;
}

// ---- saving and logging ----

void XMLQueryBase::writeSaveFile(const std::string& content) {
  std::string cause = replaceFile(xmlFilePath_, content);
  if (!cause.empty()) failSave(cause);
  logger_->debug("{}", "Saved xml document: " + xmlFilePath_);
}

void XMLQueryBase::failSave(const std::string& cause) const {
  std::string message = withCause("Failed to save file: " + xmlFilePath_, cause);
  logger_->error("{}", message);
  throw XmlSaveError(message);
}

void XMLQueryBase::logLookupError(const std::string& expr, const std::string& cause) const {
  // A look-up that selects nothing is the normal way to find that a setting is not there (the settings reader
  // walks environment chains this way), so it is only traced; a broken expression or document is an error.
  std::string text = withCause("Error in looking for Expr: " + expr, cause);
  if (cause == kNothingSelected)
    logger_->debug("{}", text);
  else
    logger_->error("{}", text);
}

void XMLQueryBase::logError(const std::string& text, const std::string& cause) const {
  logger_->error("{}", withCause(text, cause));
}

}  // namespace tev
