#include "xml/xml_query_bean.h"

#include <sys/statvfs.h>

#include <filesystem>

namespace tev {
namespace {

constexpr std::int64_t kMinimumFreeMegabytes = 500;

}  // namespace

XMLQueryBean::XMLQueryBean() : freeSpace_(&XMLQueryBean::getFreeSpace) {}

std::optional<std::string> XMLQueryBean::getDeviceID(const std::string& format,
                                                     const std::vector<std::string>& args) {
  std::string cause;
  auto node = selectFirstByParsedExpr(format, args, cause);
  if (node) {
    auto parent = node->parent();
    if (parent && parent->isElement()) return parent->attribute("id").value_or("");
    cause = "the selected node has no parent element";
  }
  logLookupError(format, cause);
  return std::nullopt;
}

bool XMLQueryBean::setDeviceID(const std::string& format, const std::vector<std::string>& args,
                               const std::string& newId, const std::string& /*unused*/) {
  std::string cause;
  auto node = selectFirstByParsedExpr(format, args, cause);
  if (node) {
    auto parent = node->parent();
    if (parent && parent->setAttribute("id", newId)) return true;
    cause = "the selected node has no parent element";
  }
  logError("Error in setting device id: " + newId + " for Expr: " + format, cause);
  return false;
}

std::optional<std::string> XMLQueryBean::getNodeValue(const std::string& expr) {
  std::string cause;
  auto node = selectFirst(expr, cause);
  if (!node) {
    logLookupError(expr, cause);
    return std::nullopt;
  }
  if (!node->isElement()) return node->value();
  auto child = node->firstChild();
  if (!child) return std::string();
  return child->value();
}

std::optional<std::vector<std::string>> XMLQueryBean::getNodeValues(const std::string& expr) {
  std::string cause;
  auto nodes = select(expr, cause);
  if (!nodes) {
    logLookupError(expr, cause);
    return std::nullopt;
  }
  std::vector<std::string> values;
  values.reserve(nodes->size());
  for (const XmlNode& node : *nodes) {
    if (node.isText() || node.isAttribute()) {
      values.push_back(node.value().value_or(""));
    } else if (node.isElement()) {
      auto child = node.firstChild();
      values.push_back(child ? child->value().value_or("") : "");
    }
  }
  return values;
}

void XMLQueryBean::setNodeValueByParsedExpr(const std::string& format, const std::vector<std::string>& args,
                                            const std::string& value) {
  std::string cause;
  auto node = selectFirstByParsedExpr(format, args, cause);
  if (node && setFirstChildValue(*node, value, cause)) return;
  logLookupError(format, cause);
}

bool XMLQueryBean::setNodeValueAndType(const std::string& expr, const std::string& value,
                                       const std::string& type) {
  std::string cause;
  auto node = selectFirst(expr, cause);
  logger()->info("{}", "Saving: " + expr + ", " + value);
  if (node) {
    if (auto child = node->firstChild()) {
      if (child->isElement()) {
        child->setValue(value);  // no effect on an element, kept for the record of what was asked
        child->setAttribute("tooltype", type);
        return true;
      }
      cause = "the first child of the selected node is not an element";
    } else if (auto added = node->appendElement(value)) {
      added->setAttribute("tooltype", type);
      return true;
    } else {
      cause =
          node->isElement() ? value + " is not a valid element name" : "the selected node is not an element";
    }
  }
  logError("Error in setting value: " + value + " and type: " + type + " for Expr: " + expr, cause);
  return false;
}

void XMLQueryBean::saveXMLFile() {
  const std::string& path = getXmlFilePath();
  std::int64_t kilobytes = freeSpace_ ? freeSpace_(path) : -1;
  std::int64_t megabytes = kilobytes / 1024;  // -1 gives 0
  if (megabytes <= kMinimumFreeMegabytes) {
    std::string message = "File:" + path + " Cannot be saved as disk space is :" + std::to_string(megabytes) +
                          " MB, minimum disk space required is 500 MB";
    logger()->error("{}", message);
    throw XmlSaveError(message);
  }
  std::string cause;
  auto text = serialiseDocument(getXMLDocument(), cause);
  if (!text) failSave(cause);
  writeSaveFile(*text);
}

std::int64_t XMLQueryBean::getFreeSpace(const std::string& file) {
  std::error_code error;
  if (file.empty() || !std::filesystem::exists(file, error)) return -1;
  return getFreeSpaceUnix(file);
}

std::int64_t XMLQueryBean::getFreeSpaceUnix(const std::string& file) {
  struct statvfs info {};
  if (::statvfs(file.c_str(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize) / 1024;
}

}  // namespace tev
