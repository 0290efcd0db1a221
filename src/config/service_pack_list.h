// A stand-alone list of service packs and their runtime hierarchies (root service_pack_list, elements
// service_pack with attribute id, each with runtime_hierarchy / service_pack elements with attribute id).
// Nothing else in the system reads this format; the file locator takes its hierarchy from the descriptor.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xml/xml_query_bean.h"

namespace tev {

class ServicePackList {
 public:
  // Loads the file; a file that cannot be loaded is logged by the XML layer and leaves a list that finds
  // nothing.
  void initialize(const std::string& path);

  // The ids of the runtime hierarchy of that service pack, in document order; empty when the pack is not
  // listed, nothing when the list could not be queried (no file loaded, an id holding an apostrophe).
  std::optional<std::vector<std::string>> getRunTimeHierarchyIds(const std::string& id);

 private:
  XMLQueryBean xmlBean;
};

}  // namespace tev
