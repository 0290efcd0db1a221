// Small helpers shared by the libFuzzer targets: silence the loggers, take an input apart, and hand a reader
// that only accepts a path a file with the input's bytes.
#pragma once

#include <spdlog/sinks/null_sink.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/log.h"

namespace tev::fuzz {

// Every logger writes nowhere, so a run prints nothing but libFuzzer's own lines.
inline void silenceLogs() {
  log::setSinks({std::make_shared<spdlog::sinks::null_sink_mt>()});
  log::setLevel(spdlog::level::off);
}

// Reads an input from the front: single bytes for choices, counted pieces, and the rest.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : text_(reinterpret_cast<const char*>(data), size) {}

  bool empty() const { return text_.empty(); }
  // The next byte (0 when none is left).
  std::uint8_t byte() {
    if (text_.empty()) return 0;
    std::uint8_t b = static_cast<std::uint8_t>(text_.front());
    text_.remove_prefix(1);
    return b;
  }
  // At most n bytes.
  std::string_view take(std::size_t n) {
    std::string_view piece = text_.substr(0, n);
    text_.remove_prefix(piece.size());
    return piece;
  }
  // Up to the next separator byte (the separator is dropped), or the rest.
  std::string_view until(char separator) {
    std::size_t end = text_.find(separator);
    std::string_view piece = text_.substr(0, end);
    text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
    return piece;
  }
  std::string_view rest() {
    std::string_view all = text_;
    text_ = {};
    return all;
  }

 private:
  std::string_view text_;
};

// A private temporary directory for the process, removed at exit, and files written into it.
class ScratchDir {
 public:
  ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tev_fuzz_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchDir() {
    for (const std::string& name : written_) ::unlink((path_ + "/" + name).c_str());
    ::rmdir(path_.c_str());
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Writes the bytes to name inside the directory (replacing it) and returns its path.
  std::string write(const std::string& name, std::string_view bytes) {
    std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::abort();
    bool known = false;
    for (const std::string& w : written_) known = known || w == name;
    if (!known) written_.push_back(name);
    return file;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> written_;
};

// The process's scratch directory (made on first use).
inline ScratchDir& scratch() {
  static ScratchDir dir;
  return dir;
}

}  // namespace tev::fuzz
