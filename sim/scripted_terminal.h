// ScriptedTerminal: a scanner at the far end of the terminal link, for tests and benchmarks.
//
// It owns a socketpair. The terminal under test is built on the other end (terminalFd(), as both its input
// and its output descriptor); everything the terminal writes is collected (output()) and interpreted into a
// ScreenModel (screen()). Keys and scans are queued as a script and fed one chunk at a time, each when the
// terminal is about to read and has read everything sent before, so every chunk arrives on its own exactly
// as the daemon relays it (with its final line feed) and never runs together with the next. When the
// terminal waits and the script is used up, the onExhausted callback may queue more; otherwise the link's
// input side is closed, the terminal sees end of input and ends the session through the exit hook: a script
// never hangs.
//
//   sim::ScriptedTerminal peer;                          // standard key list, 16 x 20
//   TerminalEmulator emulator(peer.terminalFd(), peer.terminalFd());
//   emulator.intialize(peer.settings(), &host);
//   peer.attach(emulator);
//   peer.type("12").scan("4711").enter();
//   ... run the code under test ...
//   EXPECT_EQ(peer.screen().line(3), "Item: 4711");
//   EXPECT_EQ(peer.screensAtInput()[1].attributed(15, sim::kReverse), "Wrong item");
//
// The peer must outlive the terminal built on it (declare it first). It is safe to use from the terminal's
// thread and from another (a Perl link's reader thread may do the reading).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/screen_model.h"
#include "terminal/emulator_settings.h"

namespace tev {
class TerminalEmulator;
}

namespace tev::sim {

class ScriptedTerminal {
 public:
  // The key codes of the chunks and the capability strings the screen model understands both come from the
  // settings; the screen model has the given size.
  explicit ScriptedTerminal(int rows = 16, int columns = 20);
  ScriptedTerminal(const EmulatorSettings& settings, int rows = 16, int columns = 20);
  ~ScriptedTerminal();
  ScriptedTerminal(const ScriptedTerminal&) = delete;
  ScriptedTerminal& operator=(const ScriptedTerminal&) = delete;

  // The terminal's end of the link: give it as the input and the output descriptor.
  int terminalFd() const;
  const EmulatorSettings& settings() const;

  // From now on, each time the terminal is about to read its input descriptor, the screen is recorded and
  // the next queued chunk is sent (or, with nothing queued, onExhausted runs or the input side closes).
  void attach(TerminalEmulator& emulator);

  // --- the script: each call queues one chunk, framed as the daemon relays it (a final NUL becomes LF, a
  // missing final LF is added) ---------------------------------------------------------------------------
  ScriptedTerminal& chunk(std::string_view text);
  // Typed characters arriving as one chunk (same framing).
  ScriptedTerminal& type(std::string_view text) { return chunk(text); }
  // A scanned code: the code and its carriage return in one chunk.
  ScriptedTerminal& scan(std::string_view code);
  ScriptedTerminal& enter();
  ScriptedTerminal& escape();
  ScriptedTerminal& up();
  ScriptedTerminal& down();
  ScriptedTerminal& left();
  ScriptedTerminal& right();
  ScriptedTerminal& backspace();
  // kf1 ... kf11 and kf15; throws std::invalid_argument for a key the settings lack.
  ScriptedTerminal& functionKey(int n);
  // A broadcast: when the chunk goes out, the screen shows what the daemon writes to the scanner (clear
  // screen, then the message from the top left), and the terminal gets the daemon's notice "<BROADCAST>".
  ScriptedTerminal& broadcast(std::string_view message = "");
  // Bytes sent exactly as given, in one write (garbage, chunks without line feed, over-long chunks).
  ScriptedTerminal& raw(std::string_view bytes);
  // Closes the input side when the script reaches this point.
  ScriptedTerminal& endOfInput();

  // Runs when the terminal waits for input and nothing is queued; it may inspect the screen and queue more.
  void onExhausted(std::function<void(ScriptedTerminal&)> callback);
  // Chunks still queued.
  std::size_t queued() const;
  // How many times the terminal was about to read.
  int inputWaits() const;

  // --- what the terminal wrote -------------------------------------------------------------------------
  // The screen after everything the terminal has written so far.
  ScreenModel screen();
  // The screen each time the terminal was about to read, in order: [0] before the first chunk was sent.
  std::vector<ScreenModel> screensAtInput() const;
  // Recording of screensAtInput (on by default; benchmarks switch it off).
  void keepScreens(bool keep);
  // Every byte written so far (since the last clearOutput), as the terminal wrote it.
  std::string output();
  void clearOutput();

  // --- without attach: write now, close now ---------------------------------------------------------------
  void sendNow(std::string_view bytes);
  void closeInput();

 private:
  struct State;
  ScriptedTerminal& queue(std::string bytes, bool endOfInput = false, std::string screenBytes = "");
  ScriptedTerminal& key(const std::string& code, const char* name);

  std::shared_ptr<State> state_;
};

}  // namespace tev::sim
