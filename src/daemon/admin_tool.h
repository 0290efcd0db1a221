// What the daemon's command-line tools share: the registry port they reach the daemon on, their usage
// line, and the handling of a failed call. Each tool calls one operation of the administration service
// and prints one line (ListScanners: one row per device) on its output; when the daemon cannot be reached
// or refuses the request, the tool prints one short error line on its error output and ends with
// kFailureStatus.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "rpc/torvend_admin_stub.h"

namespace tev {

class AdminTool {
 public:
  // The tools reach the daemon only through the registry on this port.
  static constexpr int kRegistryPort = 1099;
  static constexpr int kFailureStatus = 1;
  // A command line the tool cannot take (after its usage line).
  static constexpr int kUsageStatus = 2;

  AdminTool(std::string program, std::ostream& out, std::ostream& err, int registryPort)
      : program_(std::move(program)), out_(out), err_(err), registryPort_(registryPort) {}

  std::ostream& out() { return out_; }

  // Prints the usage line ("Syntax: exec" followed by rest) and returns kUsageStatus.
  int syntax(std::string_view rest);
  // Looks the administration service up in the registry.
  std::unique_ptr<rpc::TorvendAdminStub> lookup() const;
  // Runs body (which looks the service up and calls it); 0, or kFailureStatus after the error line.
  int run(const std::function<void()>& body);

  // The error line for a failure: "<program>: " and what went wrong, on one line.
  std::string errorLine(const std::exception& e) const;

 private:
  std::string program_;
  std::ostream& out_;
  std::ostream& err_;
  int registryPort_;
};

}  // namespace tev
