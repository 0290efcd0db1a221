// A terminal on a scripted scanner, for the terminal's own tests: the peer feeds the script, the host
// answers messages and parameters, waits are recorded instead of slept.
#pragma once

#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/exit_hook.h"
#include "sim/fixed_terminal_host.h"
#include "sim/scripted_terminal.h"
#include "terminal/terminal_emulator.h"

namespace tev::testing {

class TerminalTest : public ::testing::Test {
 protected:
  TerminalTest() : TerminalTest(16, 20) {}
  TerminalTest(int rows, int columns) : peer(rows, columns), emulator(peer.terminalFd(), peer.terminalFd()) {
    if (rows != 16 || columns != 20) host.deviceInfo = DeviceInfo("Small", rows, columns, "key_list.xml");
    host.messages.setMessage("yesno", "Y/N ?");
    host.messages.setMessage("continue", "Press Enter");
    EXPECT_TRUE(emulator.intialize(peer.settings(), &host));
    peer.attach(emulator);
    previousSleeper = Sleeper::install(&sleeper);
  }
  ~TerminalTest() override { Sleeper::install(previousSleeper); }

  const EmulatorSettings& keys() const { return emulator.getSettings(); }
  sim::ScreenModel screen() { return peer.screen(); }

  // Runs the body; it must end the session through the exit hook. Returns the exit status.
  template <typename Body>
  int expectExit(Body body) {
    try {
      body();
    } catch (const ExitRequest& exit) {
      return exit.status;
    }
    ADD_FAILURE() << "the session did not end";
    return -1;
  }

  sim::ScriptedTerminal peer;
  sim::FixedTerminalHost host;
  TerminalEmulator emulator;
  RecordingSleeper sleeper;
  Sleeper* previousSleeper = nullptr;
};

}  // namespace tev::testing
