// A stand-in for the scanner process in the daemon's multi-process tests. Started like the real one
// (installation root, settings file, device, environment, type), it
//  - appends "<pid> <arguments>" to <root>/started.txt;
//  - links to the daemon like the real one: with use_sockets_with_scanner_process "yes" it listens once on
//    scanner_process_port (127.0.0.1), accepts one connection and stops listening; otherwise it uses its
//    standard input and output;
//  - writes "args: <arguments>\r\n" on the channel, then echoes every byte it receives;
//  - on a line "exit" ends with status 0; on a line "bytes" writes "out\0put" (no line end).
// FAKE_SCANNER_NO_LISTEN=1 makes it never listen (a process the daemon cannot reach).
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "common/fd.h"
#include "common/tcp.h"
#include "config/vav_settings.h"

int main(int argc, char** argv) {
  using namespace std::chrono_literals;
  if (argc < 6) return 2;
  std::string arguments;
  for (int i = 1; i < argc; ++i) arguments += (i > 1 ? " " : "") + std::string(argv[i]);
  std::ofstream(std::string(argv[1]) + "/started.txt", std::ios::app)
      << ::getpid() << " " << arguments << "\n";

  tev::VAVSettings settings(argv[2]);
  bool sockets = settings.getConfigParamValue({"torvend", "use_sockets_with_scanner_process"}) == "yes";
  int in = 0, out = 1;
  tev::Fd channel;
  if (sockets) {
    if (std::getenv("FAKE_SCANNER_NO_LISTEN") != nullptr) {
      pid_t parent = ::getppid();
      while (::getppid() == parent) std::this_thread::sleep_for(100ms);
      return 0;
    }
    int port = std::stoi(settings.getConfigParamValue({"torvend", "scanner_process_port"}).value_or("0"));
    tev::TcpListener listener = tev::TcpListener::listen(port, true, 1);
    std::optional<tev::Fd> accepted = listener.accept(tev::kNoTimeout);
    listener.close();
    if (!accepted) return 3;
    channel = std::move(*accepted);
    in = out = channel.get();
  }
  tev::ignoreSigpipe();
  try {
    tev::writeAll(out, "args: " + arguments + "\r\n");
    std::string line;
    char buffer[4096];
    for (;;) {
      tev::ReadResult read = tev::readSome(in, buffer, sizeof buffer, tev::kNoTimeout);
      if (!read.data()) return 0;
      tev::writeAll(out, std::string_view(buffer, read.bytes));
      for (std::size_t i = 0; i < read.bytes; ++i) {
        if (buffer[i] != '\n') {
          line.push_back(buffer[i]);
          continue;
        }
        if (line == "exit") return 0;
        if (line == "bytes") tev::writeAll(out, std::string_view("out\0put", 7));
        line.clear();
      }
    }
  } catch (const std::exception&) {
    return 1;
  }
}
