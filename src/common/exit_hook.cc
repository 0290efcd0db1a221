#include "common/exit_hook.h"

#include <utility>

namespace tev {
namespace {

ExitHook& installedHook() {
  static ExitHook hook;
  return hook;
}

}  // namespace

void exitProcess(int status) {
  if (ExitHook& hook = installedHook()) hook(status);
  throw ExitRequest{status};
}

ExitHook setExitHook(ExitHook hook) {
  return std::exchange(installedHook(), std::move(hook));
}

int runMain(const std::function<int()>& body) {
  try {
    return body();
  } catch (const ExitRequest& request) {
    return request.status;
  }
}

}  // namespace tev
