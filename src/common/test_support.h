// Test helpers for every folder: a temporary directory that removes itself, and whole-file reads.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/tcp.h"

namespace tev::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tev_xml_XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 error);
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes the text to the named file and returns its path.
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }
  // The names of the entries of the directory.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename());
    return names;
  }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A loopback port that was free a moment ago (for programs that take their port from settings).
// It is drawn below the kernel's ephemeral range: a port handed out by bind(0) or connect() and released
// again would soon be handed to another test's server or client running in parallel, and the program that
// later listens on it would meet a stranger there.
inline int freePort() {
  static std::atomic<unsigned> draws{0};
  int low = 32768;
  std::ifstream("/proc/sys/net/ipv4/ip_local_port_range") >> low;
  const int first = 10000;
  if (low - first >= 1000) {
    unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u ^
                    static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 200; ++attempt) {
      unsigned mixed = (seed + draws.fetch_add(1) * 40503u) * 2246822519u;
      int port = first + static_cast<int>((mixed >> 8) % static_cast<unsigned>(low - first));
      try {
        TcpListener::listen(port, true);
        return port;
      } catch (const std::exception&) {
        // Taken: draw again.
      }
    }
  }
  TcpListener probe = TcpListener::listen(0, true);
  return probe.port();
}

// The instant of a local date and time (the process's time zone).
inline std::chrono::system_clock::time_point localTime(int year, int month, int day, int hour, int minute,
                                                       int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

}  // namespace tev::testing
