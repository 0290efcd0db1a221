#include "config/param_list_bean.h"

#include <libxml/tree.h>

#include "common/error.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.beans.XmlLogger";

// Takes a node out of its document and frees it (the undo of an append).
void discard(XmlNode node) {
  xmlNodePtr raw = node.raw();
  xmlUnlinkNode(raw);
  xmlFreeNode(raw);
}

}  // namespace

ParamListBean::ParamListBean() : logger(log::get(kLoggerName)) {}

void ParamListBean::initialize(const std::string& paramFilePath, const std::string& templateFilePath) {
  xmlBean = XMLQueryBean();
  xmlBean.loadXMLDocument(paramFilePath);
  xmlEmptyList = XMLQueryBean();
  xmlEmptyList.loadXMLDocument(templateFilePath);
}

std::string ParamListBean::buildPath(std::string base, const ParamIds& ids, const ParamTypes* types) {
  if (types != nullptr && types->size() < ids.size()) {
    throw IndexOutOfRange("types list of " + std::to_string(types->size()) + " entries for a path of " +
                          std::to_string(ids.size()) + " ids");
  }
  std::string path = std::move(base);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    path.append("/param_value[@id='").append(ids[i]).append("'");
    if (types != nullptr && (*types)[i]) path.append(" and @type='").append(*(*types)[i]).append("'");
    path.append("]");
  }
  return path;
}

std::string ParamListBean::getParamValuePath(const ParamIds& ids, const ParamTypes& types) const {
  return buildPath(kRootPath, ids, &types);
}

std::string ParamListBean::getParamValuePath(const ParamIds& ids,
                                             const std::optional<ParamTypes>& types) const {
  return buildPath(arrayFormBase(), ids, types ? &*types : nullptr);
}

std::optional<std::string> ParamListBean::getParamValue(const ParamIds& ids, const ParamTypes& types) {
  return xmlBean.getNodeValue(getParamValuePath(ids, types));
}

std::optional<std::string> ParamListBean::getParamValue(const ParamIds& ids,
                                                        const std::optional<ParamTypes>& types) {
  return xmlBean.getNodeValue(getParamValuePath(ids, types));
}

std::optional<XmlNode> ParamListBean::getNode(const std::string& expr) {
  return xmlBean.getNode(expr);
}

void ParamListBean::saveDocument() {
  xmlBean.saveXMLFile();
}

bool ParamListBean::setParamValue(const std::string& expr, const std::string& value) {
  if (xmlBean.setNodeValue(expr, value)) return true;

  // Walk down the expression one step at a time: each prefix ends before the next "/" (the first one, at
  // the start, excepted), the whole expression being the last.
  std::optional<XmlNode> deepest;
  std::optional<std::string> missing;
  for (std::size_t from = 1;;) {
    std::size_t slash = expr.find('/', from);
    std::string prefix = slash == std::string::npos ? expr : expr.substr(0, slash);
    logger->debug("{}", "Looking for path: " + prefix);
    auto node = xmlBean.getNode(prefix);
    if (!node) {
      logger->info("{}", "Can not locate node for path: " + prefix);
      missing = std::move(prefix);
      break;
    }
    logger->debug("{}", "Found node for path: " + prefix);
    deepest = node;
    if (slash == std::string::npos) break;
    from = slash + 1;
  }

  // Nothing to copy (every step exists but the value could not be set), no root to copy under, or no
  // template path to copy from: the document stays as it is.
  std::optional<std::string> required = missing ? requiredPath(*missing) : std::nullopt;
  std::optional<XmlNode> added;
  if (required && deepest && deepest->isElement()) {
    logger->debug("{}", "Req Node Path: " + *required);
    auto templateNode = xmlEmptyList.getNode(*required);
    logger->debug("{}", "Req Node: " + (templateNode ? templateNode->toString() : std::string("null")));
    if (templateNode && templateNode->isElement()) added = deepest->importChild(*templateNode);
  }
  if (added && xmlBean.setNodeValue(expr, value)) {
    logger->debug("{}", "Node value is changed");
    return true;
  }
  if (added) discard(*added);
  logger->debug("{}", "Node value is not changed");
  return false;
}

}  // namespace tev
