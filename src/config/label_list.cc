#include "config/label_list.h"

namespace tev {

LabelList LabelList::load(const std::string& path) {
  return load(path, TextTableForm::Stored);
}

LabelList LabelList::load(const std::string& path, bool xml) {
  return load(path, xml ? TextTableForm::Xml : TextTableForm::Stored);
}

LabelList LabelList::load(const std::string& path, bool xml, bool text) {
  return load(path, textTableForm(xml, text));
}

LabelList LabelList::load(const std::string& path, TextTableForm form) {
  return LabelList(readTextTable(path, TextTableKind::Labels, form));
}

std::optional<LabelList> LabelList::loadPersisted(const std::string& path, TextTableForm form,
                                                  const log::Logger& logger) {
  std::optional<TextTable> table = loadTextTable(path, TextTableKind::Labels, form, logger,
                                                 "Error in loading the persisted Labels object: ");
  if (!table) return std::nullopt;
  return LabelList(std::move(*table));
}

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
