// A terminal for the gateway's tests that records what the request handler shows instead of drawing it, so a
// table of cases can compare the whole sequence at once ("beep 2 / id:ddc_busy"):
//   beep N                       beep(N)
//   id:ID                        the error line of a message id
//   line:TEXT                    an error line
//   window:TITLE|MESSAGE|FOOTER  a message window
//   windowId:TITLE|ID|FOOTER-ID  a message window by message ids
//   baan:MESSAGE                 the "BAAN MESSAGE" window
// Status messages ("processing") are not recorded. Nothing waits for a key.
#pragma once

#include <string>
#include <vector>

#include "terminal/terminal_emulator.h"

namespace tev::testing {

class RecordingTerminal : public TerminalEmulator {
 public:
  using TerminalEmulator::displayErrorMessage;
  using TerminalEmulator::displayErrorMessageForId;
  using TerminalEmulator::displayErrorMessageWindow;
  using TerminalEmulator::displayErrorMessageWindowForId;
  using TerminalEmulator::TerminalEmulator;

  void beep(int count) override { shown.push_back("beep " + std::to_string(count)); }
  std::string displayErrorMessage(const std::string& text) override {
    shown.push_back("line:" + text);
    return "";
  }
  std::string displayErrorMessageForId(const std::string& id) override {
    shown.push_back("id:" + id);
    return "";
  }
  std::string displayErrorMessageWindow(const std::string& title, const std::string& message,
                                        const std::string& footer) override {
    shown.push_back("window:" + title + "|" + message + "|" + footer);
    return "";
  }
  std::string displayErrorMessageWindowForId(const std::string& title, const std::string& messageId,
                                             const std::string& footerId) override {
    shown.push_back("windowId:" + title + "|" + messageId + "|" + footerId);
    return "";
  }
  std::string displayBaanMessageWindow(const std::string& message) override {
    shown.push_back("baan:" + message);
    return "";
  }
  void displayStatusMessageForId(const std::string&) override {}

  // The records so far joined by " / ", then cleared.
  std::string take() {
    std::string text;
    for (const std::string& item : shown) text += (text.empty() ? "" : " / ") + item;
    shown.clear();
    return text;
  }

  std::vector<std::string> shown;
};

}  // namespace tev::testing
