#include "engine/sql_link.h"

#include "common/java_text.h"

namespace tev {

SqlLink::SqlLink(std::string id, bool enable, std::string event)
    : id(std::move(id)), event(std::move(event)), enable(enable) {}

void SqlLink::setEnable(const std::string& text) {
  enable = equalsIgnoreCase(text, "yes");
}

bool SqlLink::isFormEnterEvent() const {
  return event == "form_enter";
}

}  // namespace tev
