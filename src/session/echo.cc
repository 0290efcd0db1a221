#include "session/echo.h"

namespace tev {

ClassDescriptor Echo::describe() {
  return ClassDef<Echo>(CLASS_NAME, ClassRegistry::kTransactionLogic)
      .TEV_HANDLER(Echo, echo_text_field_exit)
      .done();
}

void Echo::echo_text_field_exit() {
  std::string typed = getValue("text");
  logger()->info("Echo: {}", typed);
  setValue("echoed", typed);
  setValue("text", "");
  refresh();
  setNextField("text");
}

}  // namespace tev
