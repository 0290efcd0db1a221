// The SMTP server of the mail tests: tests/support/smtp_sink.py (aiosmtpd on Debian's python3), started on a
// loopback ephemeral port while the object lives, with log-in required. It writes every message it accepts,
// parsed by Python's own mail parser, to a directory that the test reads. Needs TEV_SMTP_SINK and
// TEV_SYSTEM_PYTHON, which the test target defines.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/fd.h"

namespace tev::testing {

class SmtpSink {
 public:
  // One message as the server received and parsed it.
  struct Received {
    nlohmann::json summary;
    std::string raw;

    std::string header(const std::string& name) const {
      for (const nlohmann::json& h : summary["headers"]) {
        if (h[0] == name) return h[1];
      }
      return "<none>";
    }
    const nlohmann::json& parts() const { return summary["parts"]; }
    // The decoded bytes of one part.
    std::string payload(std::size_t part) const {
      std::string hex = parts()[part]["payload_hex"];
      std::string bytes;
      for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      return bytes;
    }
  };

  // Accepts log-ins with exactly user / password.
  SmtpSink(const std::filesystem::path& dir, const std::string& user, const std::string& password)
      : dir_(dir) {
    std::filesystem::create_directories(dir_);
    ChildProcess::Options options;
    options.argv = {TEV_SYSTEM_PYTHON, TEV_SMTP_SINK, "--dir",      dir_.string(),
                    "--user",          user,          "--password", password};
    options.stdinSpec = StreamSpec::pipe();
    options.stdoutSpec = StreamSpec::pipe();
    options.stderrSpec = StreamSpec::file((dir_ / "server.log").string());
    child_ = ChildProcess::start(options);

    // "PORT <n>\n" once it listens; a bounded wait.
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      char buf[64];
      ReadResult r =
          readSome(child_.stdoutPipe().get(), buf, sizeof buf, std::max(left, std::chrono::milliseconds(0)));
      if (!r.data()) throw std::runtime_error("the SMTP server did not start: " + read(dir_ / "server.log"));
      line.append(buf, r.bytes);
    }
    port_ = std::stoi(line.substr(line.find(' ') + 1));
  }

  ~SmtpSink() {
    child_.stdinPipe().reset();  // end of input: the server stops
    if (!child_.waitFor(std::chrono::seconds(5))) child_.kill(SIGKILL);
  }
  SmtpSink(const SmtpSink&) = delete;
  SmtpSink& operator=(const SmtpSink&) = delete;

  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

  // Every message received so far, in order (complete once the client's send has returned).
  std::vector<Received> messages() const {
    std::vector<Received> out;
    for (int n = 1; std::filesystem::exists(dir_ / (std::to_string(n) + ".json")); ++n) {
      out.push_back({nlohmann::json::parse(read(dir_ / (std::to_string(n) + ".json"))),
                     read(dir_ / (std::to_string(n) + ".eml"))});
    }
    return out;
  }

  // Every log-in attempt: {"mechanism", "user", "success"}.
  std::vector<nlohmann::json> logins() const {
    std::vector<nlohmann::json> out;
    std::istringstream in(read(dir_ / "auth.jsonl"));
    for (std::string line; std::getline(in, line);) out.push_back(nlohmann::json::parse(line));
    return out;
  }

  static std::string read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

 private:
  std::filesystem::path dir_;
  ChildProcess child_;
  int port_ = 0;
};

}  // namespace tev::testing
