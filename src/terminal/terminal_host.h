// What the terminal screen needs from the scanner session around it, as small interfaces, so the terminal
// sits below the session engine: the service registry implements TerminalHost, the engine's Form implements
// FormView, and the Perl link implements ReaderThreadLink.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev {

class DeviceInfo;
class MessageList;
class TerminalEmulator;

// Something the terminal can redraw after a message window or a broadcast: the form on screen.
class FormView {
 public:
  virtual ~FormView() = default;
  // Clears the terminal and draws the form.
  virtual void display(TerminalEmulator& emulator) = 0;
};

// The external-program link while its reader thread owns the terminal's input. The reader thread reads the
// terminal (TerminalEmulator::readFromLink), and hands a chunk over with TerminalEmulator::setReady(true).
class ReaderThreadLink {
 public:
  virtual ~ReaderThreadLink() = default;
  // The reader thread is running (it owns the input until it hands a chunk back).
  virtual bool isReaderThreadRunning() const = 0;
  // The chunk the reader thread read last, as it read it.
  virtual std::string takeReaderChunk() = 0;
};

// The session services the terminal reads. Every member has a harmless default, so a terminal can run
// without a session (tools, tests).
class TerminalHost {
 public:
  virtual ~TerminalHost() = default;

  // The device type record; nothing keeps the default 16 x 20 screen.
  virtual const DeviceInfo* getDeviceInfo() { return nullptr; }
  // The character set of the link (set when the settings enable XML encoding); nothing: the platform
  // default (UTF-8).
  virtual std::optional<std::string> getCharEncoding() { return std::nullopt; }
  // The message list of the user's language; nullptr when none is loaded (every id is then missing).
  virtual const MessageList* getMessageList() { return nullptr; }
  // A parameter read through the parameter store ("" when no level has it).
  virtual std::string getParamValue(const std::vector<std::string>& /*path*/) { return ""; }
  // After a broadcast wrote over the screen: redraw the transaction processor's current form and refresh
  // the running transaction. The default redraws the terminal's current form.
  virtual void restoreSessionScreen(TerminalEmulator& emulator);
  // The Perl link; nullptr when the environment runs no external program.
  virtual ReaderThreadLink* getReaderThreadLink() { return nullptr; }
};

}  // namespace tev
