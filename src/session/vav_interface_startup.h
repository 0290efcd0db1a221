// The start-up of a scanner process and what it plugs into the services it creates. VAVInterface::main,
// initialize and initializeLabelsAndMessages live in vav_interface_startup.cc; this header holds the pieces
// that start-up hands to other layers:
//
//   - SessionTerminalHost: the terminal's view of the session (device type, character set, message list,
//     parameters, the screen restore after a broadcast), answered from the service registry at each call, so
//     a log-in that replaces the messages or the parameter store needs no call;
//   - sessionGatewayContext: the router connection's view of the session.
//
// Start-up order (each step's failure and what it does to the start-up are in the .cc):
//   command line -> first device log -> settings and VAVInterfaceData -> final device log -> daemon link ->
//   log backups -> file locator -> initialize -> login transaction "Standard" -> Perl program -> main loop.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gateway/gateway_context.h"
#include "terminal/terminal_host.h"

namespace tev {

class SessionTerminalHost : public TerminalHost {
 public:
  const DeviceInfo* getDeviceInfo() override;
  // The registry's charEncoding when the settings enable XML encoding and name one; else the default.
  std::optional<std::string> getCharEncoding() override;
  const MessageList* getMessageList() override;
  // Through the registry's parameter store ("" without one).
  std::string getParamValue(const std::vector<std::string>& path) override;
  // Draws the running processor's current form again and refreshes the running transaction.
  void restoreSessionScreen(TerminalEmulator& emulator) override;
  // The registry's Perl program link (nullptr without one).
  ReaderThreadLink* getReaderThreadLink() override;
};

// The gateway's context over the registry: terminal, interface data, device and environment, the logged-in
// user, parameters, session memory, file locator, field dictionary, function-server path and the two
// call-backs into the running transaction's processing object. Requires the registry entries it points at.
GatewayContext sessionGatewayContext();

// The field dictionary of the registry as the definition readers see it (empty without a dictionary).
FieldDictionary registryFieldDictionary();

}  // namespace tev
