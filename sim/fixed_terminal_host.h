// FixedTerminalHost: a TerminalHost with answers a test sets: a message list, parameters, a device type, the
// link's character set and a Perl link; it counts the screen restores after a broadcast (and, like the
// session, redraws the terminal's current form there).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/device_info.h"
#include "config/message_list.h"
#include "terminal/terminal_host.h"

namespace tev::sim {

class FixedTerminalHost : public TerminalHost {
 public:
  MessageList messages;
  // Parameter values by path joined with "/" ("emulator_display_defaults/display_error_in_seconds").
  std::map<std::string, std::string> params;
  std::optional<DeviceInfo> deviceInfo;
  std::optional<std::string> charEncoding;
  ReaderThreadLink* readerThreadLink = nullptr;
  bool withoutMessageList = false;
  int restores = 0;

  const DeviceInfo* getDeviceInfo() override { return deviceInfo ? &*deviceInfo : nullptr; }
  std::optional<std::string> getCharEncoding() override { return charEncoding; }
  const MessageList* getMessageList() override { return withoutMessageList ? nullptr : &messages; }
  std::string getParamValue(const std::vector<std::string>& path) override;
  void restoreSessionScreen(TerminalEmulator& emulator) override;
  ReaderThreadLink* getReaderThreadLink() override { return readerThreadLink; }
};

}  // namespace tev::sim
