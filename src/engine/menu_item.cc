#include "engine/menu_item.h"

namespace tev {

MenuItem::MenuItem(std::optional<std::string> itemId, std::int32_t number, bool perlTransaction)
    : id(itemId), labelId(std::move(itemId)), sequenceNo(number), bPerlTransaction(perlTransaction) {}

MenuItem::~MenuItem() = default;

int MenuItem::compareTo(const MenuItem& other) const {
  if (sequenceNo > other.sequenceNo) return 1;
  return sequenceNo == other.sequenceNo ? 0 : -1;
}

}  // namespace tev
