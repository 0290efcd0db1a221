#include "builtin/screen_texts.h"

#include <exception>

#include "session/vav_interface.h"

namespace tev::builtin {
namespace {

ScreenTextLoader& installed() {
  static ScreenTextLoader loader = &VAVInterface::initializeLabelsAndMessages;
  return loader;
}

}  // namespace

void setScreenTextLoader(ScreenTextLoader loader) {
  installed() = loader ? std::move(loader) : ScreenTextLoader(&VAVInterface::initializeLabelsAndMessages);
}

bool loadScreenTexts(const std::string& language) {
  try {
    if (installed()(language)) return true;
    VAVInterface::logger()->error("The screen texts of {} were not loaded", language);
    return false;
  } catch (const std::exception& failure) {
    VAVInterface::logger()->error("Failed to load the screen texts of {}: {}", language, failure.what());
    return false;
  }
}

}  // namespace tev::builtin
