// The labels and messages of a language, loaded into the service registry (VAVInterface::labelList and
// messageList) the way start-up loads those of "english". The login loads the user's language and then the
// one the operator chose.
//
// The loading itself belongs to start-up (VAVInterface::initializeLabelsAndMessages, the default loader);
// tests install one of their own.
#pragma once

#include <functional>
#include <string>

namespace tev::builtin {

using ScreenTextLoader = std::function<bool(const std::string& language)>;

void setScreenTextLoader(ScreenTextLoader loader);

// True when the texts of the language were loaded; false (logged) when the loader failed. An empty loader
// puts the default back.
bool loadScreenTexts(const std::string& language);

}  // namespace tev::builtin
