// The built-in transaction classes, in one table.
#include "builtin/builtin_classes.h"

#include "builtin/change_password.h"
#include "builtin/help_display.h"
#include "builtin/menu.h"
#include "builtin/standard.h"
#include "engine/class_registry.h"

namespace tev {

void registerBuiltinClasses(ClassRegistry& registry) {
  registry.add(builtin::Standard::describe());
  registry.add(builtin::Menu::describe());
  registry.add(builtin::ChangePassword::describe());
  registry.add(builtin::HelpDisplay::describe());
}

}  // namespace tev
