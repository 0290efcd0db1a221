#include "config/label_list.h"

namespace tev {

std::optional<std::string> LabelList::getLabel(const std::string& id) const {
  auto it = labelList.find(id);
  if (it == labelList.end()) return std::nullopt;
  return it->second;
}

void LabelList::setlabel(const std::string& id, const std::string& text) {
  labelList[id] = text;
}

std::string LabelList::toString() const {
  std::string out;
  for (const auto& [id, text] : labelList) out += id + "=" + text + ", ";
  return out;
}

}  // namespace tev
