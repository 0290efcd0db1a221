// Shared fixtures of the daemon's unit tests: a settings tree in a temporary directory and a log on it.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "common/fd.h"
#include "common/tcp.h"
#include "common/test_support.h"
#include "daemon/system_log.h"
#include "daemon/torvend_data.h"

namespace tev::testing {

// Two connected local stream sockets (a scanner's end and the daemon's end), close-on-exec.
inline std::pair<Fd, Fd> socketPair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw Error("socketpair");
  return {Fd(fds[0]), Fd(fds[1])};
}

// Everything that arrives on fd until nothing more comes for quiet.
inline std::string readAll(int fd, std::chrono::milliseconds quiet) {
  std::string text;
  char buffer[1024];
  for (;;) {
    ReadResult read = readSome(fd, buffer, sizeof buffer, quiet);
    if (!read.data()) return text;
    text.append(buffer, read.bytes);
  }
}

// Writes vav_settings.xml (environments common and plant), config/key_list.xml and config/device_list.xml
// into a temporary directory. torvend settings can be changed or left out before write().
class DaemonTree {
 public:
  DaemonTree() {
    settings = {{"debug_level", "10"},
                {"emulator_port", "0"},
                {"webscanner_port", "0"},
                {"emulator_thread_count", "0"},
                {"emulator_conn_time_out", "0"},
                {"emulator_poll_time", "10"},
                {"thread_log_files", "no"},
                {"device_log_files", "no"},
                {"object_log_files", "no"},
                {"show_stack_traces", "yes"},
                {"use_sockets_with_scanner_process", "no"},
                {"scanner_process_port", "0"},
                {"no_of_socket_reties", "3"},
                {"admin_server_object_name", "TorvendAdminServer"},
                // A port of the tree's own: only the tests of the administration tools use 1099.
                {"rmi_registry_port", std::to_string(testing::freePort())}};
    devices = "<device id=\"dev1\"><ip>127.0.0.2</ip><environment>plant</environment></device>";
  }

  std::string settingsPath() const { return dir.file("vav_settings.xml"); }
  std::string logDir() const { return dir.path(); }

  void write() const {
    std::string params;
    for (const auto& [key, value] : settings)
      params += "<config_param id=\"" + key + "\">" + value + "</config_param>\n";
    dir.write("vav_settings.xml",
              "<environment_list><environment id=\"common\"><config_dir_list>"
              "<config_dir id=\"DC\">" +
                  dir.path() +
                  "</config_dir>"
                  "<config_dir id=\"config\" relative_dir=\"DC\">config</config_dir>"
                  "<config_dir id=\"log\">log</config_dir>"
                  "</config_dir_list><config_param_list>"
                  "<config_param id=\"torvend\">" +
                  params +
                  "</config_param>"
                  "<config_param id=\"backup_log_files\"><config_param id=\"keep_log_files\">" +
                  keepLogFiles + "</config_param><config_param id=\"backup_dir\">" + dir.path() +
                  "/backup</config_param></config_param>"
                  "<config_param id=\"encoding\"><config_param id=\"enable_xml_encoding\">no</config_param>"
                  "<config_param id=\"char_encoding\">UTF-8</config_param></config_param>" +
                  commonExtra +
                  "</config_param_list></environment>"
                  "<environment id=\"plant\" relative_env=\"common\"><config_dir_list/><config_param_list>" +
                  plantExtra + "</config_param_list></environment></environment_list>");
    std::filesystem::create_directories(dir.file("config"));
    std::filesystem::create_directories(dir.file("log"));
    dir.write("config/key_list.xml", keyList());
    writeDevices();
  }
  void writeDevices() const {
    dir.write("config/device_list.xml", "<device_list>" + devices + "</device_list>");
  }

  static std::string keyList() {
    std::string text;
    for (const char* name :
         {"kcuf1", "kcub1", "kcud1", "kcuu1", "khome", "kend",  "kich1", "el",   "smul", "bold",
          "rev",   "blink", "invis", "sgr0",  "bel",   "smacs", "rmacs", "kf1",  "kf2",  "kf3",
          "kf4",   "kf5",   "kf15",  "kf6",   "kf7",   "kf8",   "kf9",   "kf10", "kf11"})
      text += std::string(name) + "=<" + name + ">\n";
    return text + "clear=<CLEAR>\n";
  }

  TempDir dir;
  std::map<std::string, std::string> settings;
  std::string devices;
  std::string keepLogFiles = "no";
  std::string commonExtra;
  std::string plantExtra;
};

}  // namespace tev::testing
