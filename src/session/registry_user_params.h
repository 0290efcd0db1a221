// The user level of parameter look-ups for the logged-in user of the service registry: a source that the
// parameter stores of the session take (ParamManager::setUserParams). It follows VAVInterface::userData, so a
// log-in that replaces the user needs no call; nothing is answered while nobody is logged in.
#pragma once

#include "engine/param_manager.h"

namespace tev {

UserParamsSource registryUserParams();

}  // namespace tev
