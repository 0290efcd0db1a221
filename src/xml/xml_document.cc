#include "xml/xml_document.h"

#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "xml/libxml_guard.h"

namespace tev {
namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES;

const xmlChar* xml(const std::string& value) {
  return reinterpret_cast<const xmlChar*>(value.c_str());
}

// Gives a node that lives in a namespace the plain name "prefix:name" (or "name") and no namespace.
void flattenName(xmlNodePtr node) {
  if (node->ns == nullptr) return;
  if (node->ns->prefix != nullptr) {
    std::string name = reinterpret_cast<const char*>(node->ns->prefix);
    name += ':';
    name += reinterpret_cast<const char*>(node->name);
    xmlNodeSetName(node, xml(name));
  }
  node->ns = nullptr;
}

// Turns the namespace declarations of an element into attributes, in their order and before the others.
void declarationsToAttributes(xmlNodePtr element) {
  xmlNsPtr declarations = element->nsDef;
  if (declarations == nullptr) return;
  element->nsDef = nullptr;
  xmlAttrPtr first = nullptr;
  xmlAttrPtr last = nullptr;
  for (xmlNsPtr ns = declarations; ns != nullptr; ns = ns->next) {
    std::string name = ns->prefix != nullptr
                           ? "xmlns:" + std::string(reinterpret_cast<const char*>(ns->prefix))
                           : std::string("xmlns");
    // Created detached, then linked in front of the element's own attributes.
    xmlAttrPtr attr = xmlNewDocProp(element->doc, xml(name), ns->href);
    if (attr == nullptr) continue;
    attr->parent = element;
    if (first == nullptr) first = attr;
    if (last != nullptr) {
      last->next = attr;
      attr->prev = last;
    }
    last = attr;
  }
  if (last != nullptr) {
    last->next = element->properties;
    if (element->properties != nullptr) element->properties->prev = last;
    element->properties = first;
  }
  xmlFreeNsList(declarations);
}

// Two passes: names first (while every declaration still exists), then the declarations.
void forEachElement(xmlNodePtr node, void (*visit)(xmlNodePtr)) {
  for (xmlNodePtr child = node; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    visit(child);
    forEachElement(child->children, visit);
  }
}

void forgetNamespaces(xmlDocPtr doc) {
  forEachElement(doc->children, [](xmlNodePtr element) {
    flattenName(element);
    for (xmlAttrPtr attr = element->properties; attr != nullptr; attr = attr->next)
      flattenName(reinterpret_cast<xmlNodePtr>(attr));
  });
  forEachElement(doc->children, declarationsToAttributes);
}

XmlDocPtr parse(const std::string& text, const std::string& url, std::string& cause) {
  LibxmlGuard guard;
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    cause = "document too large";
    return nullptr;
  }
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (context == nullptr) {
    cause = guard.cause("parser not available");
    return nullptr;
  }
  XmlDocPtr doc(xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()),
                                  url.empty() ? nullptr : url.c_str(), nullptr, kParseOptions));
  bool wellFormed = context->wellFormed != 0;
  xmlFreeParserCtxt(context);
  if (doc == nullptr || !wellFormed) {
    cause = guard.cause("not a well-formed document");
    return nullptr;
  }
  if (xmlDocGetRootElement(doc.get()) == nullptr) {
    cause = "no document element";
    return nullptr;
  }
  forgetNamespaces(doc.get());
  return doc;
}

}  // namespace

XmlDocPtr parseXmlFile(const std::string& path, std::string& cause) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    cause = path + " (Is a directory)";
    return nullptr;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    cause = path + " (" + std::strerror(errno) + ")";
    return nullptr;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    cause = path + " (read error)";
    return nullptr;
  }
  return parse(content.str(), path, cause);
}

XmlDocPtr parseXmlText(const std::string& text, std::string& cause, const std::string& url) {
  return parse(text, url, cause);
}

namespace {

struct BufferFree {
  void operator()(xmlBufferPtr buffer) const { xmlBufferFree(buffer); }
};

// Runs one save into a memory buffer with the given encoding and options.
template <typename Save>
std::optional<std::string> saveToText(const char* encoding, int options, std::string& cause, Save save) {
  LibxmlGuard guard;
  std::unique_ptr<xmlBuffer, BufferFree> buffer(xmlBufferCreate());
  if (buffer == nullptr) {
    cause = "out of memory";
    return std::nullopt;
  }
  xmlSaveCtxtPtr context = xmlSaveToBuffer(buffer.get(), encoding, options);
  if (context == nullptr) {
    cause = guard.cause(std::string("cannot write the encoding ") + encoding);
    return std::nullopt;
  }
  long written = save(context);
  int closed = xmlSaveClose(context);
  if (written < 0 || closed < 0 || !guard.errors().empty()) {
    cause = guard.cause("cannot serialise the document");
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

std::optional<std::string> serialiseDocument(xmlDocPtr doc, std::string& cause) {
  if (doc == nullptr) {
    cause = "no document loaded";
    return std::nullopt;
  }
  const char* encoding = doc->encoding != nullptr ? reinterpret_cast<const char*>(doc->encoding) : "UTF-8";
  return saveToText(encoding, 0, cause, [doc](xmlSaveCtxtPtr context) { return xmlSaveDoc(context, doc); });
}

std::optional<std::string> serialiseNode(xmlNodePtr node, std::string& cause) {
  if (node == nullptr) {
    cause = "no node";
    return std::nullopt;
  }
  return saveToText("UTF-8", XML_SAVE_NO_DECL, cause,
                    [node](xmlSaveCtxtPtr context) { return xmlSaveTree(context, node); });
}

}  // namespace tev
