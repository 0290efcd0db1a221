// The error line, message windows, status line, yes/no questions and their message-id forms.
#include "common/clock.h"
#include "common/error.h"
#include "common/exit_hook.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "config/message_list.h"
#include "terminal/skip_exception.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

const char kErrorTitle[] = "Error Message";
const char kPressEnter[] = "Press Enter To Continue";

// The first `width` characters and the rest.
std::pair<std::string, std::string> splitAt(const std::string& text, int width) {
  int length = charLength(text);
  if (length <= width) return {text, ""};
  return {charSubstr(text, 0, width), charSubstr(text, width)};
}

}  // namespace

int TerminalEmulator::displayErrorSeconds() {
  std::string value =
      host ? host->getParamValue({"emulator_display_defaults", "display_error_in_seconds"}) : "";
  try {
    return parseInt(value);
  } catch (const NumberFormatError&) {
    return 0;
  }
}

std::string TerminalEmulator::displayErrorMessage(const std::string& text) {
  return displayErrorMessage(text, displayErrorSeconds(), false);
}

std::string TerminalEmulator::displayErrorMessage(const std::string& text, int seconds) {
  return displayErrorMessage(text, seconds, false);
}

std::string TerminalEmulator::displayErrorMessage(const std::string& text, int seconds, bool withBeep) {
  auto [first, rest] = splitAt(text, columns);
  if (rows >= 16) {
    clearLine(rows - 1, 1);
    clearLine(rows, 1);
    display(rows - 1, 1, first, "reverse");
    if (!rest.empty()) display(rows, 1, rest, "reverse");
  } else {
    clearLine(rows, 1);
    clearLine(rows + 1, 1);
    display(rows, 1, first, "reverse");
  }
  if (withBeep) beep(1);
  std::string result;
  if (seconds != 0) {
    // The pause is in milliseconds, whatever the parameter's name says.
    if (seconds > 0) Sleeper::current().sleepFor(std::chrono::milliseconds(seconds));
  } else {
    result = read();
  }
  if (result == settings.KF3) {
    logger->info("Firing SkipException KF3");
    throw SkipException("Escape the current form", settings.KF3);
  }
  return result;
}

std::string TerminalEmulator::displayErrorMessageWindow(const std::string& windowTitle,
                                                        const std::string& message,
                                                        const std::string& footer) {
  return displayErrorMessageWindow(windowTitle, message, footer, displayErrorSeconds());
}

std::string TerminalEmulator::displayErrorMessageWindow(const std::string& windowTitle,
                                                        const std::string& message, const std::string& footer,
                                                        int seconds) {
  placeOfInvoke = "displayErrorMessageWindow";
  title = windowTitle;
  displayedErrorMessage = message;
  statusMessage = footer;
  clear();
  display(2, 1, windowTitle, "reverse");
  const int length = charLength(message);
  int row = 4;
  for (int begin = 0; begin < length; begin += columns, ++row) {
    display(row, 1, charSubstr(message, begin, std::min(length, begin + columns)));
  }
  std::string result = displayErrorMessage(footer, seconds, false);
  if (currentForm) currentForm->display(*this);
  return result;
}

void TerminalEmulator::displayStatusMessage(const std::optional<std::string>& text) {
  if (!text) return;
  statusMessage = *text;
  clearLine(rows, 1);
  std::string padded = *text;
  for (int length = charLength(padded); length < columns; ++length) padded += ' ';
  if (rows < 16) {
    display(rows, 1, padded, "reverse");
    return;
  }
  auto [first, rest] = splitAt(padded, columns);
  display(rows - 1, 1, first, "reverse");
  if (!rest.empty()) display(rows, 1, rest, "reverse");
}

std::string TerminalEmulator::displayYesNoConfirmWindow(const std::string& message) {
  const std::string prompt = messageText("yesno", false);
  std::string answer;
  do {
    answer = toLowerCase(displayErrorMessageWindow("Warning", message, prompt, 0));
    for (std::size_t at;
         !settings.ENTER.empty() && (at = answer.find(settings.ENTER)) != std::string::npos;) {
      answer.erase(at, settings.ENTER.size());
    }
    if (answer == "j") answer = "y";
  } while (answer != "y" && answer != "n");
  return answer;
}

std::string TerminalEmulator::displayYesNoConfirmWindow(const std::string& windowTitle,
                                                        const std::string& message) {
  const std::string prompt = messageText("yesno", false);
  std::string answer;
  do {
    answer = toLowerCase(displayErrorMessageWindow(windowTitle, message, prompt, 0));
    if (answer == "j") answer = "y";
  } while (answer != "y" && answer != "n");
  return answer;
}

// --- message-id forms -----------------------------------------------------------------------------------

void TerminalEmulator::missingMessage(const std::string& id, bool blankAfterColon) {
  std::string text =
      (blankAfterColon ? "Message : " : "Message :") + id + " is missing, please contact System support";
  logger->error("{}", text);
  try {
    displayErrorMessageWindow(kErrorTitle, text, kPressEnter);
  } catch (const SkipException&) {
    // The process ends whichever key closed the window.
  }
  exitProcess(0);
}

std::string TerminalEmulator::messageText(const std::string& id, bool blankAfterColon) {
  const MessageList* messages = host ? host->getMessageList() : nullptr;
  std::optional<std::string> text = messages ? messages->getMessage(id) : std::nullopt;
  if (!text) missingMessage(id, blankAfterColon);
  return *text;
}

std::string TerminalEmulator::displayErrorMessageForId(const std::string& id) {
  return displayErrorMessageForId(id, MessageArgs{});
}

std::string TerminalEmulator::displayErrorMessageForId(const std::string& id, const MessageArgs& args) {
  std::string text = MessageList::format(messageText(id, true), args);
  placeOfInvoke = "displayErrorMessage";
  statusMessage = text;
  return displayErrorMessage(text);
}

std::string TerminalEmulator::displayErrorMessageForId(const std::string& id, int seconds, bool withBeep) {
  return displayErrorMessageForId(id, MessageArgs{}, seconds, withBeep);
}

std::string TerminalEmulator::displayErrorMessageForId(const std::string& id, const MessageArgs& args,
                                                       int seconds, bool withBeep) {
  std::string text = MessageList::format(messageText(id, true), args);
  placeOfInvoke = "displayErrorMessage";
  statusMessage = text;
  return displayErrorMessage(text, seconds, withBeep);
}

std::string TerminalEmulator::displayErrorMessageWindowForId(const std::string& titleText,
                                                             const std::string& messageId,
                                                             const std::string& footerId) {
  std::string message = messageText(messageId, false);
  std::string footer = messageText(footerId, false);
  return displayErrorMessageWindow(titleText, message, footer);
}

std::string TerminalEmulator::displayErrorMessageWindowForId(const std::string& titleText,
                                                             const std::string& messageId,
                                                             const std::string& footerText,
                                                             const MessageArgs& args) {
  std::string message = MessageList::format(messageText(messageId, false), args);
  return displayErrorMessageWindow(titleText, message, footerText);
}

std::string TerminalEmulator::displayErrorMessageWindowForAllId(const std::string& titleId,
                                                                const std::string& messageId,
                                                                const std::string& footerId) {
  return displayErrorMessageWindowForAllId(titleId, messageId, footerId, MessageArgs{});
}

std::string TerminalEmulator::displayErrorMessageWindowForAllId(const std::string& titleId,
                                                                const std::string& messageId,
                                                                const std::string& footerId,
                                                                const MessageArgs& args) {
  std::string windowTitle = messageText(titleId, false);
  std::string message = MessageList::format(messageText(messageId, false), args);
  std::string footer = messageText(footerId, false);
  return displayErrorMessageWindow(windowTitle, message, footer);
}

std::string TerminalEmulator::displayBaanMessageWindow(const std::string& message) {
  return displayErrorMessageWindow("BAAN MESSAGE", message, messageText("continue", false));
}

void TerminalEmulator::displayStatusMessageForId(const std::string& id) {
  const MessageList* messages = host ? host->getMessageList() : nullptr;
  std::optional<std::string> text = messages ? messages->getMessage(id) : std::nullopt;
  if (!text) {
    logger->warn("Message :{} is missing; the status line is left as it is", id);
    return;
  }
  const int row = rows >= 16 ? rows - 1 : rows;
  clearLine(row, 1);
  clearLine(row + 1, 1);
  display(row, 1, *text, "reverse");
}

std::string TerminalEmulator::displayYesNoConfirmWindowForId(const std::string& id) {
  return displayYesNoConfirmWindow(messageText(id, false));
}

std::string TerminalEmulator::displayYesNoConfirmWindowForId(const std::string& titleId,
                                                             const std::string& messageId) {
  std::string windowTitle = messageText(titleId, false);
  std::string message = messageText(messageId, false);
  return displayYesNoConfirmWindow(windowTitle, message);
}

std::string TerminalEmulator::displayYesNoConfirmWindowForId(const std::string& id, const MessageArgs& args) {
  return displayYesNoConfirmWindow(MessageList::format(messageText(id, true), args));
}

}  // namespace tev
