// The terminal's input side fed arbitrary chunks: reading, key recognition, cleaning of scanned and typed
// values, broadcast restore, and the windows that wait for keys (error line, yes/no question, selection
// list), over the plain link and over character sets that need conversion.
//
// Input: one options byte, for the selection list seven bytes of geometry (first row, first column, last row,
// last column: each a signed byte, 0xff the largest and 0xfe the smallest int, as a definition file may give
// them; lines per item, items per row: byte % 64 - 16; item count), then the chunks, separated by NUL bytes.
// Each chunk reaches the terminal as one read, the next one only when the terminal reads again; after the
// last one the link ends, which ends the session through the exit hook.
//   options bits 0-1: 0 readInput, 1 error line, 2 yes/no question, 3 selection list
//   bit 2: line feeds ignored; bit 3: masked input; bits 4-5: character set ("", ISO-8859-1, GB18030, CP1252)
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/error.h"
#include "common/exit_hook.h"
#include "config/message_list.h"
#include "fuzz_support.h"
#include "terminal/input_cleaning.h"
#include "terminal/skip_exception.h"
#include "terminal/term_key_parser.h"
#include "terminal/terminal_emulator.h"

namespace {

using tev::TerminalEmulator;

class NoSleep : public tev::Sleeper {
 public:
  void sleepFor(std::chrono::milliseconds) override {}
};

class Host : public tev::TerminalHost {
 public:
  std::optional<std::string> getCharEncoding() override { return charset; }
  const tev::MessageList* getMessageList() override { return &messages; }

  std::optional<std::string> charset;
  tev::MessageList messages;
};

struct Fixture {
  Fixture() {
    tev::fuzz::silenceLogs();
    tev::Sleeper::install(&noSleep);
    tev::TermKeyParser keys;
    keys.initialize(TEV_DEMO_DIR "/config/key_list.xml");
    settings = keys.getEmulatorSettings();
    nullFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nullFd < 0) std::abort();
    for (int i = 0; i < 30; ++i) listValues.push_back("Item " + std::to_string(i));
  }
  NoSleep noSleep;
  tev::EmulatorSettings settings;
  int nullFd = -1;
  std::vector<std::string> listValues;
};

// A row or column: a signed byte, or the largest or smallest int.
int geometryValue(std::uint8_t b) {
  if (b == 0xff) return std::numeric_limits<int>::max();
  if (b == 0xfe) return std::numeric_limits<int>::min();
  return static_cast<std::int8_t>(b);
}

// Lines per item and items per row: -16 .. 47 (a list of hundreds of one-character cells of hundreds of lines
// each is drawn correctly but slowly, which is not what this target looks for).
int countValue(std::uint8_t b) {
  return b % 64 - 16;
}

Fixture& fixture() {
  static Fixture f;
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fixture& f = fixture();
  tev::fuzz::Input in(data, size);
  const std::uint8_t options = in.byte();
  int geometry[6];
  std::vector<std::string> listValues;
  if ((options & 3) == 3) {
    for (int i = 0; i < 6; ++i) geometry[i] = i < 4 ? geometryValue(in.byte()) : countValue(in.byte());
    listValues.assign(f.listValues.begin(), f.listValues.begin() + in.byte() % (f.listValues.size() + 1));
  }

  std::deque<std::string> chunks;
  // At most 64 reads per input: enough to reach every screen state, and a run stays short even when each
  // read redraws a selection list of a thousand rows.
  while (!in.empty() && chunks.size() < 64) {
    std::string_view piece = in.until('\0');
    while (!piece.empty()) {
      std::string_view part = piece.substr(0, TerminalEmulator::kReadBufferSize);
      chunks.emplace_back(part);
      piece.remove_prefix(part.size());
    }
  }
  // The cleaning rules on their own, on every chunk.
  for (const std::string& chunk : chunks) {
    (void)tev::cleanScanned(chunk);
    (void)tev::cleanTyped(chunk);
  }

  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
  {
    static const char* const kCharsets[] = {nullptr, "ISO-8859-1", "GB18030", "CP1252"};
    Host host;
    if (const char* charset = kCharsets[(options >> 4) & 3]) host.charset = charset;
    host.messages.setMessage("yesno", "Y/N ?");
    host.messages.setMessage("continue", "Press Enter");

    TerminalEmulator terminal(fds[0], f.nullFd);
    if (!terminal.intialize(f.settings, &host)) std::abort();
    terminal.setIgnoreNewLines(options & 4);
    terminal.setMaskInput(options & 8);
    // One chunk per read; the end of the link after the last.
    terminal.setInputWaitObserver([&] {
      if (chunks.empty()) {
        ::shutdown(fds[1], SHUT_WR);
        return;
      }
      const std::string& chunk = chunks.front();
      if (::send(fds[1], chunk.data(), chunk.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(chunk.size()))
        std::abort();
      chunks.pop_front();
    });
    terminal.setCursor(3, 2);
    try {
      for (int round = 0; round < 100000; ++round) {
        try {
          switch (options & 3) {
            case 0:
              terminal.readInput();
              break;
            case 1:
              terminal.displayErrorMessage("Wrong item", 0, true);
              break;
            case 2:
              terminal.displayYesNoConfirmWindow("Post it?");
              break;
            default:
              terminal.displayList(listValues, geometry[0], geometry[1], geometry[2], geometry[3],
                                   geometry[4], geometry[5]);
              break;
          }
        } catch (const tev::SkipException&) {
        } catch (const tev::Error&) {
        }
      }
      std::abort();  // the link always ends the session
    } catch (const tev::ExitRequest&) {
    }
  }
  ::close(fds[0]);
  ::close(fds[1]);
  return 0;
}
