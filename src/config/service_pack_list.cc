#include "config/service_pack_list.h"

namespace tev {
namespace {

constexpr const char* kHierarchyIds =
    "/service_pack_list/service_pack[@id='%s']/runtime_hierarchy/service_pack/@id";

}  // namespace

void ServicePackList::initialize(const std::string& path) {
  xmlBean.loadXMLDocument(path);
}

std::optional<std::vector<std::string>> ServicePackList::getRunTimeHierarchyIds(const std::string& id) {
  auto values = xmlBean.getNodeValuesByParsedExpr(kHierarchyIds, {id});
  if (!values) return std::nullopt;
  std::vector<std::string> ids;
  ids.reserve(values->size());
  for (const auto& value : *values) ids.push_back(value.value_or(""));
  return ids;
}

}  // namespace tev
