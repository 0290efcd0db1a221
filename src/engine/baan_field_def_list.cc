#include "engine/baan_field_def_list.h"

#include <utility>

namespace tev {

BaanFieldDefList::BaanFieldDefList(const std::string& path) : baanFieldDefList(readFieldTable(path)) {}

std::optional<BaanFieldDefList> BaanFieldDefList::load(const std::string& path, const log::Logger& logger) {
  std::optional<BaanFieldTable> table = loadFieldTable(path, logger, kLoadErrorPrefix);
  if (!table) return std::nullopt;
  return BaanFieldDefList(std::move(*table));
}

std::optional<BaanFieldDef> BaanFieldDefList::getBaanFieldDef(const std::string& id) const {
  auto it = baanFieldDefList.find(id);
  if (it == baanFieldDefList.end()) return std::nullopt;
  return it->second;
}

void BaanFieldDefList::setBaanFieldDef(const std::string& id, const BaanFieldDef& definition) {
  baanFieldDefList.insert_or_assign(id, definition);
}

}  // namespace tev
