// The core shared by XMLQuery and XMLQueryBean: one XML document loaded from a file (or a text), queried and
// updated with XPath 1.0 expressions, and written back by the classes' own saveXMLFile.
//
// Queries are plain XPath text or printf-style templates ("...[@id='%s']/%s") filled from an argument list
// (the
// ...ByParsedExpr operations). A template argument that holds an apostrophe is refused, since it would break
// the quoted literal it is meant for: the operation logs the refusal and gives its "nothing found" result.
//
// Selections are in document order. Every query and update catches its own failures (an invalid expression,
// no document loaded, nothing selected), logs them on "tev.beans.XmlLogger" and returns nothing / -1 / false;
// only a save reports a failure to the caller (XmlSaveError).
//
// Node handles (XmlNode) point into the document: they are valid until the next successful load replaces it
// or the object ends. One object is used by one thread at a time.
#pragma once

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"
#include "xml/xml_save_error.h"

namespace tev {

class XMLQueryBase {
 public:
  XMLQueryBase(const XMLQueryBase&) = delete;
  XMLQueryBase& operator=(const XMLQueryBase&) = delete;
  XMLQueryBase(XMLQueryBase&&) noexcept = default;
  XMLQueryBase& operator=(XMLQueryBase&&) noexcept = default;

  // Parses the file and makes it the document; the path becomes the file a save writes, even when the parse
  // fails. Returns the new document, or nothing (logged) with the previous document kept.
  xmlDocPtr loadXMLDocument(const std::string& path);
  // Parses a text (a reply, a fragment of configuration) and makes it the document; the save path is
  // unchanged.
  xmlDocPtr loadXMLString(const std::string& text);
  // The document, or nothing before a successful load.
  xmlDocPtr getXMLDocument() const { return xmlDoc_.get(); }
  const std::string& getXmlFilePath() const { return xmlFilePath_; }
  // Names the file the next save writes (for a document built from a text rather than loaded from its file).
  void setXmlFilePath(const std::string& path) { xmlFilePath_ = path; }

  // The first selected node; nothing when nothing is selected or the query fails (logged).
  std::optional<XmlNode> getNode(const std::string& expr);
  std::optional<XmlNode> getNodeByParsedExpr(const std::string& format, const std::vector<std::string>& args);
  // The number of selected nodes; -1 when the query fails.
  int getNodeCount(const std::string& expr);
  int getNodeCountByParsedExpr(const std::string& format, const std::vector<std::string>& args);
  // The selected nodes (possibly none); nothing when the query fails.
  std::optional<std::vector<XmlNode>> getNodesByParsedExpr(const std::string& format,
                                                           const std::vector<std::string>& args);

  // The value of the first selected node: an element gives its first child's value (nothing, logged, when it
  // has no child), an attribute its value, any other node nothing.
  std::optional<std::string> getNodeValueByParsedExpr(const std::string& format,
                                                      const std::vector<std::string>& args);
  // The own value of every selected node, in order (an element adds an absent value); nothing when the query
  // fails.
  std::optional<std::vector<std::optional<std::string>>> getNodeValuesByParsedExpr(
      const std::string& format, const std::vector<std::string>& args);

  // Sets the value of the first selected node: its first child's value, or a new text child when it has none
  // (an attribute: its value). False (logged) when nothing is selected or the node cannot take a text.
  bool setNodeValue(const std::string& expr, const std::string& value);

 protected:
  XMLQueryBase();
  ~XMLQueryBase();

  // The selected nodes in document order, evaluated on the document, or relative to the context node when one
  // is given. Nothing on failure, with the reason in cause.
  std::optional<std::vector<XmlNode>> select(const std::string& expr, std::string& cause,
                                             const XmlNode* context = nullptr);
  // The first selected node; nothing with cause "no node selected" when the selection is empty.
  std::optional<XmlNode> selectFirst(const std::string& expr, std::string& cause,
                                     const XmlNode* context = nullptr);
  // The template filled with the arguments; nothing when an argument holds an apostrophe or formatting fails.
  std::optional<std::string> formatExpr(const std::string& format, const std::vector<std::string>& args,
                                        std::string& cause) const;
  // Formats the template and selects; a failure is logged as a failed look-up (naming the template when the
  // formatting failed, the expression otherwise). With logLooking the expression is logged before the query.
  std::optional<std::vector<XmlNode>> lookUpByParsedExpr(const std::string& format,
                                                         const std::vector<std::string>& args,
                                                         bool logLooking);
  // Formats the template and selects the first node (the common part of the template-driven updates).
  std::optional<XmlNode> selectFirstByParsedExpr(const std::string& format,
                                                 const std::vector<std::string>& args, std::string& cause);
  // Sets the node's first child's value (an attribute: its own value). False, with cause, when it has no
  // child.
  static bool setFirstChildValue(XmlNode node, const std::string& value, std::string& cause);

  // Writes the text to the save file through a temporary file; logs and throws XmlSaveError on failure.
  void writeSaveFile(const std::string& content);
  // Logs "Failed to save file: " + path with the cause and throws it as XmlSaveError.
  [[noreturn]] void failSave(const std::string& cause) const;
  // "Error in looking for Expr: " + expr, with the cause.
  void logLookupError(const std::string& expr, const std::string& cause) const;
  void logError(const std::string& text, const std::string& cause) const;

  const log::Logger& logger() const { return logger_; }

 private:
  struct XPathContextFree {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
  };

  bool adopt(XmlDocPtr doc, const std::string& source, const std::string& cause);

  std::string xmlFilePath_;
  XmlDocPtr xmlDoc_;
  std::unique_ptr<xmlXPathContext, XPathContextFree> xpath_;
  log::Logger logger_;
};

}  // namespace tev
