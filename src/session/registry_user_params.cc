#include "session/registry_user_params.h"

#include "engine/user_data.h"
#include "session/vav_interface.h"

namespace tev {
namespace {

class RegistryUserParams : public UserParams {
 public:
  std::optional<std::string> getParameterValue(const std::string& id) const override {
    return VAVInterface::userData ? VAVInterface::userData->getParameterValue(id) : std::nullopt;
  }
};

}  // namespace

UserParamsSource registryUserParams() {
  static const RegistryUserParams params;
  return []() -> const UserParams* { return VAVInterface::userData ? &params : nullptr; };
}

}  // namespace tev
