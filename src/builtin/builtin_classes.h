// The built-in transactions (login, menu, password change and help) for the class registry: start-up calls
// registerBuiltinClasses on ClassRegistry::process() (tests on a registry of their own) after the session
// classes are registered and before any transaction class is created.
#pragma once

namespace tev {

class ClassRegistry;

// Adds the descriptors of Standard, Menu, ChangePassword and HelpDisplay.
void registerBuiltinClasses(ClassRegistry& registry);

}  // namespace tev
