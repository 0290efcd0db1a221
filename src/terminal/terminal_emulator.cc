#include "terminal/terminal_emulator.h"

#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "common/exit_hook.h"
#include "common/fd.h"
#include "common/java_number.h"
#include "common/java_text.h"
#include "terminal/input_cleaning.h"
#include "terminal/text_codec.h"

namespace tev {

void TerminalHost::restoreSessionScreen(TerminalEmulator& emulator) {
  if (FormView* form = emulator.getCurrentForm()) form->display(emulator);
}

TerminalEmulator::TerminalEmulator(int inputFd, int outputFd)
    : inputFd(inputFd),
      outputFd(outputFd),
      decoder(std::make_unique<TextDecoder>()),
      encoder(std::make_unique<TextEncoder>()),
      logger(log::get("tev.framework.emulation.Logger")) {
  const char* ignore = std::getenv(kIgnoreNewLinesVariable);
  ignoreNewLines = ignore != nullptr && equalsIgnoreCase(ignore, "yes");
}

TerminalEmulator::~TerminalEmulator() = default;

bool TerminalEmulator::intialize(const EmulatorSettings& newSettings, TerminalHost* newHost) {
  settings = newSettings;
  host = newHost;
  try {
    std::string charset;
    if (host) {
      if (std::optional<std::string> encoding = host->getCharEncoding()) charset = *encoding;
    }
    decoder = std::make_unique<TextDecoder>(charset);
    encoder = std::make_unique<TextEncoder>(charset);
  } catch (const Error& e) {
    logger->error("Failed to set up the terminal streams: {}", e.what());
    return false;
  }
  deviceInfo.reset();
  if (host) {
    if (const DeviceInfo* info = host->getDeviceInfo()) {
      deviceInfo = *info;
      setScreenSize(info->getDisplayRows(), info->getDisplayColumns());
    }
  }
  return true;
}

void TerminalEmulator::setScreenSize(int newRows, int newColumns) {
  if (newRows < 1 || newColumns < 1) {
    logger->warn("Ignoring the screen size {} x {}; keeping {} x {}", newRows, newColumns, rows, columns);
    return;
  }
  rows = newRows;
  columns = newColumns;
}

// --- output ---------------------------------------------------------------------------------------------

void TerminalEmulator::send(std::string_view text) {
  if (outputFailed || text.empty()) return;
  try {
    writeAll(outputFd, encoder->encode(text));
  } catch (const Error& e) {
    outputFailed = true;
    logger->error("Error in writing to the terminal: {}", e.what());
  }
}

std::string TerminalEmulator::cursorSequence(int row, int column) const {
  return cursorSequence(std::to_string(row), std::to_string(column));
}

std::string TerminalEmulator::cursorSequence(std::string_view row, std::string_view column) const {
  std::string out = "\x1b[";
  out += row;
  out += ';';
  out += column;
  out += 'H';
  return out;
}

std::string TerminalEmulator::attributeSequence(std::string_view attribute) const {
  if (attribute == "bold") return settings.BOLD;
  if (attribute == "reverse") return settings.REV;
  if (attribute == "invisible") return settings.INVISIBLE;
  if (attribute == "underline") return settings.SMUL;
  if (attribute == "blink") return settings.BLINK;
  return "";
}

void TerminalEmulator::write(std::string_view text) {
  send(text);
}

void TerminalEmulator::sendCustomKeys(std::string_view text) {
  logger->info("customString ..{}", text);
  send(text);
}

void TerminalEmulator::setCursor(int row, int column) {
  send(cursorSequence(row, column));
  cursorStartRow = cursorCurrentRow = row;
  cursorStartCol = cursorCurrentCol = column;
}

void TerminalEmulator::setCursor(const std::string& row, const std::string& column) {
  setCursor(parseInt(row), parseInt(column));
}

void TerminalEmulator::repositionCursor(int row, int column) {
  send(cursorSequence(row, column));
}

void TerminalEmulator::repositionCursor(const std::string& row, const std::string& column) {
  send(cursorSequence(row, column));
}

void TerminalEmulator::clear() {
  send(settings.CLEAR);
}

void TerminalEmulator::clearLine() {
  send(settings.EL);
}

void TerminalEmulator::clearLine(int row, int column) {
  send(cursorSequence(row, column) + settings.EL);
}

void TerminalEmulator::clearLine(const std::string& row, const std::string& column) {
  send(cursorSequence(row, column) + settings.EL);
}

void TerminalEmulator::display(int row, int column, std::string_view text) {
  std::string out = cursorSequence(row, column);
  out += text;
  send(out);
}

void TerminalEmulator::display(int row, int column, std::string_view text, std::string_view attribute) {
  std::string out = cursorSequence(row, column);
  out += attributeSequence(attribute);
  out += text;
  out += settings.SGR0;
  send(out);
}

void TerminalEmulator::display(const std::string& row, const std::string& column, std::string_view text) {
  std::string out = cursorSequence(row, column);
  out += text;
  send(out);
}

void TerminalEmulator::display(const std::string& row, const std::string& column, std::string_view text,
                               std::string_view attribute) {
  std::string out = cursorSequence(row, column);
  out += attributeSequence(attribute);
  out += text;
  out += settings.SGR0;
  send(out);
}

void TerminalEmulator::beep(int count) {
  logger->info("Sending Beep ..");
  for (int i = 0; i < count; ++i) send("\x07");
}

// --- input ----------------------------------------------------------------------------------------------

void TerminalEmulator::setInputWaitObserver(std::function<void()> observer) {
  inputWaitObserver = std::move(observer);
}

std::optional<std::string> TerminalEmulator::readFromLink(std::size_t maxBytes) {
  std::vector<char> buffer(maxBytes == 0 ? 1 : maxBytes);
  for (;;) {
    if (inputWaitObserver) inputWaitObserver();
    ReadResult result = readSome(inputFd, buffer.data(), buffer.size(), kNoTimeout);
    if (result.end()) {
      std::string rest = decoder->finish();
      if (!rest.empty()) return rest;
      return std::nullopt;
    }
    if (!result.data()) continue;
    std::string text = decoder->decode(std::string_view(buffer.data(), result.bytes));
    if (!text.empty()) return text;
    // Only the first bytes of a character arrived: wait for the rest of it.
  }
}

void TerminalEmulator::inputLost(const std::string& cause) {
  logger->error("{}", cause);
  logger->error("Error in reading the input. exiting");
  exitProcess(0);
}

std::string TerminalEmulator::readChunkText() {
  std::string chunk;
  ReaderThreadLink* link = host ? host->getReaderThreadLink() : nullptr;
  if (link && (link->isReaderThreadRunning() || isReady())) {
    logger->info("Waiting for the processor thread to exit");
    waitForReading();
    chunk = link->takeReaderChunk();
    std::lock_guard lock(readyMutex);
    bReady = false;
  } else {
    std::optional<std::string> received;
    try {
      received = readFromLink(kReadBufferSize);
    } catch (const Error& e) {
      inputLost(e.what());
    }
    if (!received) inputLost("End of input from the terminal link");
    chunk = std::move(*received);
  }
  if (ignoreNewLines) {
    std::string text;
    text.reserve(chunk.size());
    for (char c : chunk) {
      if (c != '\n') text += c;
    }
    return text;
  }
  int length = charLength(chunk);
  return length == 0 ? std::string() : charSubstr(chunk, 0, length - 1);
}

std::string TerminalEmulator::read() {
  for (;;) {
    std::string text = readChunkText();
    if (text != kBroadcast) {
      lastInput = text;
      read_rawInput = text;
      return text;
    }
    if (std::optional<std::string> result = restoreAfterBroadcast()) return *result;
  }
}

std::optional<std::string> TerminalEmulator::restoreAfterBroadcast() {
  // Something outside the session wrote over the screen; the operator confirms with Enter or Escape.
  std::string key;
  do {
    key = readChunkText();
  } while (key != settings.ESC && key != settings.ENTER);

  const int savedStartRow = cursorStartRow, savedStartCol = cursorStartCol;
  const int savedRow = cursorCurrentRow, savedCol = cursorCurrentCol;
  auto restoreCursor = [&] {
    cursorStartRow = savedStartRow;
    cursorStartCol = savedStartCol;
    cursorCurrentRow = savedRow;
    cursorCurrentCol = savedCol;
    repositionCursor(savedRow, savedCol);
  };
  if (host) {
    host->restoreSessionScreen(*this);
  } else if (currentForm) {
    currentForm->display(*this);
  }
  logger->info("Place of Invoke = {}  status Message{}", placeOfInvoke, statusMessage);
  auto forget = [&](bool place) {
    statusMessage.clear();
    displayedErrorMessage.clear();
    title.clear();
    if (place) placeOfInvoke.clear();
  };
  if (placeOfInvoke == "displayErrorMessage") {
    std::string result = displayErrorMessage(statusMessage);
    restoreCursor();
    forget(true);
    return result;
  }
  if (placeOfInvoke == "displayErrorMessageWindow") {
    std::string result = displayErrorMessageWindow(title, displayedErrorMessage, statusMessage);
    restoreCursor();
    forget(true);
    return result;
  }
  if (placeOfInvoke == "displayList") {
    forget(false);
    return settings.KCUD1;
  }
  displayStatusMessage(statusMessage);
  restoreCursor();
  return std::nullopt;
}

std::string TerminalEmulator::readInput() {
  input.clear();
  rawInput.clear();
  read_rawInput.clear();
  for (;;) {
    std::string chunk = read();
    rawInput += chunk;

    if (settings.isFunctionKey(chunk)) {
      logger->info("Received char is a function key");
      return chunk;
    }
    if (chunk.empty()) return chunk;

    const std::size_t enter = settings.ENTER.empty() ? std::string::npos : chunk.find(settings.ENTER);
    if (enter != std::string::npos) {
      std::string head = chunk.substr(0, enter);
      if (settings.isFunctionKey(head)) {
        logger->info("Received char is a function key");
        return head;
      }
      if (head == settings.ESC) {
        logger->info("Received ESC");
        return settings.ESC;
      }
    }

    const int typed = std::max(0, cursorCurrentCol - cursorStartCol);
    if (settings.isArrowKey(chunk)) {
      if (chunk == settings.KCUF1) {
        if (cursorCurrentCol < cursorStartCol + charLength(input)) {
          ++cursorCurrentCol;
          repositionCursor(cursorStartRow, cursorCurrentCol);
        }
      } else if (chunk == settings.KCUB1) {
        if (cursorCurrentCol > cursorStartCol) {
          --cursorCurrentCol;
          repositionCursor(cursorStartRow, cursorCurrentCol);
        }
      } else {
        return chunk;  // up or down arrow ends the field
      }
    } else if (settings.isBackSpaceKey(chunk)) {
      if (cursorCurrentCol > cursorStartCol) {
        input = charSubstr(input, 0, std::min(typed - 1, charLength(input)));
        --cursorCurrentCol;
        repositionCursor(cursorStartRow, cursorCurrentCol);
      } else {
        input = " ";
      }
      clearLine();
    } else if (enter != std::string::npos) {
      if (enter == 0) return chunk;
      // A scan arrives with its carriage return in one chunk: it becomes the value without echo.
      input += chunk.substr(0, enter);
      input = cleanScanned(input);
      return chunk;
    } else if (chunk == settings.ESC) {
      logger->info("Received ESC");
      return chunk;
    } else {
      send(bMaskInput ? std::string_view("*") : std::string_view(chunk));
      std::string kept = charSubstr(input, 0, std::min(typed, charLength(input)));
      std::string cleaned = cleanTyped(chunk);
      input = kept + cleaned;
      cursorCurrentCol += charLength(cleaned);
      clearLine();
    }
  }
}

// --- hand-over with the reader thread ---------------------------------------------------------------------

void TerminalEmulator::waitForReading() {
  std::unique_lock lock(readyMutex);
  readyChanged.wait(lock, [this] { return bReady; });
}

void TerminalEmulator::setReady(bool ready) {
  {
    std::lock_guard lock(readyMutex);
    bReady = ready;
  }
  readyChanged.notify_all();
}

bool TerminalEmulator::isReady() const {
  std::lock_guard lock(readyMutex);
  return bReady;
}

}  // namespace tev
