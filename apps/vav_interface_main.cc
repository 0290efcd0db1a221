// The scanner process: one per connected scanner, started by the daemon with the installation root, the
// settings file, the device id, the environment and (optionally) the device type. Standard output is the
// terminal channel in stream mode; standard error becomes the device log.
#include "builtin/builtin_classes.h"
#include "builtin/screen_texts.h"
#include "common/exit_hook.h"
#include "engine/class_registry.h"
#include "session/echo.h"
#include "session/session_classes.h"
#include "session/vav_interface.h"

int main(int argc, char** argv) {
  return tev::runMain([&] {
    // Every transaction class the session may create, before any is created.
    tev::ClassRegistry& registry = tev::ClassRegistry::process();
    tev::registerSessionClasses(registry);
    tev::registerBuiltinClasses(registry);
    registry.add(tev::Echo::describe());
    // The login loads the screen texts of the user's language the way start-up loads those of "english".
    tev::builtin::setScreenTextLoader(&tev::VAVInterface::initializeLabelsAndMessages);
    return tev::VAVInterface::main(argc, argv);
  });
}
