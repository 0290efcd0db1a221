// Process exits go through one hook, so code deep inside a session can end the process while a test can
// observe the exit instead. The default hook throws ExitRequest, which only main() catches (see runMain).
// ExitRequest does not derive from std::exception, so catch-alls for failures never swallow it.
#pragma once

#include <functional>

namespace tev {

struct ExitRequest {
  int status;
};

using ExitHook = std::function<void(int status)>;

// Ends the process with the given status through the installed hook. When the hook returns (a test hook
// that only records), ExitRequest is thrown so that the caller never continues past an exit.
[[noreturn]] void exitProcess(int status);

// Installs a hook and returns the previous one; an empty hook restores the default.
ExitHook setExitHook(ExitHook hook);

// Runs the body of a main(): returns its status, or the status of an exitProcess() raised inside it.
int runMain(const std::function<int()>& body);

}  // namespace tev
