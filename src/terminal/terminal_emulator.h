// TerminalEmulator: the screen and keyboard of the one scanner a scanner process serves.
//
// It writes cursor addressing, capability strings and text to the link's output descriptor, reads what the
// operator keys or scans from its input descriptor, echoes typed input, recognises the control keys of the
// key list, and draws the standard windows: the error line, message windows, the status line, yes/no
// questions and scrolling selection lists. It remembers what is on screen (placeOfInvoke, title, message and
// status text) so that the screen can be restored after a broadcast wrote over it.
//
// The link: the terminal is built on two descriptors it does not own (a scanner process passes its standard
// input and output, or the two ends of one daemon socket; tests pass a socketpair). Nothing else writes to
// the output descriptor. Text inside is UTF-8; with a character set named by the host the bytes are
// converted at the boundary. Rows and columns are 1-based; the cursor is addressed as ESC "[" row ";"
// column "H". Widths count characters.
//
// End of input, or a read failure, logs "Error in reading the input. exiting" and ends the process through
// tev::exitProcess(0). A failed write is logged once and later writes are dropped: the next read then ends
// the process.
//
// Threads: used from the main thread only, except that while an external Perl program runs a transaction,
// the Perl link's reader thread reads the input (readFromLink) and hands each chunk back with setReady(true);
// read() then waits for it (waitForReading) instead of reading the descriptor. The ready flag is guarded by
// the terminal's own lock.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/log.h"
#include "config/device_info.h"
#include "terminal/emulator_settings.h"
#include "terminal/terminal_host.h"

namespace tev {

class TextDecoder;
class TextEncoder;
struct ListGeometry;

using MessageArgs = std::vector<std::string>;

class TerminalEmulator {
 public:
  // The chunk that read() returns for a broadcast notice from the daemon.
  static constexpr std::string_view kBroadcast = "<BROADCAST>";
  // Bytes read at most from the descriptor for one chunk.
  static constexpr std::size_t kReadBufferSize = 256;
  // The environment variable that tells the terminal to ignore line feeds in chunks ("yes", letter case
  // ignored; unset means no).
  static constexpr const char* kIgnoreNewLinesVariable = "TEV_TERMINAL_IGNORE_NEW_LINES";

  // Neither descriptor is owned; both must outlive the terminal.
  TerminalEmulator(int inputFd, int outputFd);
  virtual ~TerminalEmulator();
  TerminalEmulator(const TerminalEmulator&) = delete;
  TerminalEmulator& operator=(const TerminalEmulator&) = delete;

  // Keeps a copy of the settings and the host (which may be null and must outlive the terminal); takes the
  // character set and the device info (rows and columns) from the host. Returns false, after logging the
  // error, when the character set cannot be used. (The name is spelled as the original spells it.)
  virtual bool intialize(const EmulatorSettings& settings, TerminalHost* host = nullptr);

  // --- drawing ----------------------------------------------------------------------------------------
  // Writes the text (then flushes, as every operation does).
  virtual void write(std::string_view text);
  // Writes a raw sequence chosen by a transaction; logged as "customString .." + text.
  virtual void sendCustomKeys(std::string_view text);
  // Rows and columns given as text are written into the cursor sequence as they stand; setCursor also keeps
  // them as numbers and throws NumberFormatError for a text that is no decimal number.
  // Cursor sequence; the start and the current cursor position both become (row, column).
  virtual void setCursor(int row, int column);
  virtual void setCursor(const std::string& row, const std::string& column);
  // Cursor sequence only.
  virtual void repositionCursor(int row, int column);
  virtual void repositionCursor(const std::string& row, const std::string& column);
  virtual void clear();
  // Erase to end of line at the cursor; or cursor to (row, column), then erase.
  virtual void clearLine();
  virtual void clearLine(int row, int column);
  virtual void clearLine(const std::string& row, const std::string& column);
  // Cursor, then the text; with an attribute ("bold", "reverse", "invisible", "underline", "blink"; any other
  // name writes no attribute sequence): cursor, attribute, text, sgr0.
  virtual void display(int row, int column, std::string_view text);
  virtual void display(int row, int column, std::string_view text, std::string_view attribute);
  virtual void display(const std::string& row, const std::string& column, std::string_view text);
  virtual void display(const std::string& row, const std::string& column, std::string_view text,
                       std::string_view attribute);
  // Writes the byte 0x07 count times, flushing after each; logs "Sending Beep ..".
  virtual void beep(int count);

  // --- input --------------------------------------------------------------------------------------------
  // One chunk of input: its text without the final character (the daemon's line feed), or with every line
  // feed removed when new lines are ignored. A broadcast notice is handled inside (screen restore).
  virtual std::string read();
  // The value of one field: reads chunks, echoes and cleans typed input, moves the cursor with the arrows,
  // until a chunk ends the field. Returns that chunk (a function key, ESC, an up or down arrow, a chunk
  // holding ENTER, or an empty chunk); the value is left in getInput().
  virtual std::string readInput();
  virtual std::string getInput() const { return input; }

  // --- error line, windows, status line ------------------------------------------------------------------
  // The error line: the text on the bottom rows in reverse video. seconds != 0: wait that many milliseconds
  // and return ""; 0: return the next read(). The kf3 key raises SkipException ("Escape the current form").
  // The one-argument form takes the pause from the parameter emulator_display_defaults /
  // display_error_in_seconds (0 when missing or not a number); the forms without beep do not beep.
  virtual std::string displayErrorMessage(const std::string& text);
  virtual std::string displayErrorMessage(const std::string& text, int seconds);
  virtual std::string displayErrorMessage(const std::string& text, int seconds, bool beep);
  // The error line with the text of a message id (arguments put into its numbered places).
  virtual std::string displayErrorMessageForId(const std::string& id);
  virtual std::string displayErrorMessageForId(const std::string& id, const MessageArgs& args);
  virtual std::string displayErrorMessageForId(const std::string& id, int seconds, bool beep);
  virtual std::string displayErrorMessageForId(const std::string& id, const MessageArgs& args, int seconds,
                                               bool beep);
  // The message window: title (row 2, reverse), message (from row 4), footer as an error line that waits;
  // then the current form is redrawn and the error line's result returned.
  virtual std::string displayErrorMessageWindow(const std::string& title, const std::string& message,
                                                const std::string& footer);
  virtual std::string displayErrorMessageWindow(const std::string& title, const std::string& message,
                                                const std::string& footer, int seconds);
  virtual std::string displayErrorMessageWindowForId(const std::string& titleText,
                                                     const std::string& messageId,
                                                     const std::string& footerId);
  virtual std::string displayErrorMessageWindowForId(const std::string& titleText,
                                                     const std::string& messageId,
                                                     const std::string& footerText, const MessageArgs& args);
  virtual std::string displayErrorMessageWindowForAllId(const std::string& titleId,
                                                        const std::string& messageId,
                                                        const std::string& footerId);
  virtual std::string displayErrorMessageWindowForAllId(const std::string& titleId,
                                                        const std::string& messageId,
                                                        const std::string& footerId, const MessageArgs& args);
  // The window "BAAN MESSAGE" with the text of message id "continue" as footer.
  virtual std::string displayBaanMessageWindow(const std::string& message);
  // The status line (bottom rows, reverse, padded to the width); nothing is read. Nothing: no change.
  virtual void displayStatusMessage(const std::optional<std::string>& text);
  // The text of the id in reverse video on the error line's first row, not padded, not split. An id without
  // text is logged and leaves the screen as it is.
  virtual void displayStatusMessageForId(const std::string& id);
  // A yes/no question: "y" or "n" ("j" counts as "y"); asks again until one of them is given. The
  // one-argument form is titled "Warning" and also accepts an answer followed by ENTER.
  virtual std::string displayYesNoConfirmWindow(const std::string& message);
  virtual std::string displayYesNoConfirmWindow(const std::string& title, const std::string& message);
  virtual std::string displayYesNoConfirmWindowForId(const std::string& id);
  virtual std::string displayYesNoConfirmWindowForId(const std::string& titleId,
                                                     const std::string& messageId);
  virtual std::string displayYesNoConfirmWindowForId(const std::string& id, const MessageArgs& args);

  // --- selection list -----------------------------------------------------------------------------------
  // Shows the values in the window (firstRow, firstColumn) .. (lastRow, lastColumn), linesPerDisplay lines
  // per item and noOfDataColumns items per row, and lets the operator move the selection with the arrows or
  // type an item's number on the page. Returns the key that ended it: ENTER (getInput() = index of the
  // selected item), or ESC, kf2, kf3 or kf4 (getInput() = the index as well); a KCUD1 after a broadcast.
  virtual std::string displayList(const std::vector<std::string>& values, int firstRow, int firstColumn,
                                  int lastRow, int lastColumn, int linesPerDisplay);
  virtual std::string displayList(const std::vector<std::string>& values, int firstRow, int firstColumn,
                                  int lastRow, int lastColumn, int linesPerDisplay, int noOfDataColumns);

  // --- hand-over with the Perl link's reader thread ------------------------------------------------------
  // Under the lock: while no chunk is ready, wait until notified.
  virtual void waitForReading();
  // Under the lock: sets the ready flag and wakes the waiting thread.
  virtual void setReady(bool ready);
  bool isReady() const;
  // One read from the input descriptor (at most maxBytes bytes), decoded; nothing at end of input. Throws
  // tev::Error on a read failure. read() uses it; so does the Perl link's reader thread.
  std::optional<std::string> readFromLink(std::size_t maxBytes);

  // Called on the reading thread each time the terminal is about to read its input descriptor (a scripted
  // test peer feeds its next chunk from here); a read that ends in the middle of a character reads again and
  // calls it again. Empty: none.
  void setInputWaitObserver(std::function<void()> observer);

  // --- state --------------------------------------------------------------------------------------------
  const EmulatorSettings& getSettings() const { return settings; }
  TerminalHost* getHost() const { return host; }
  FormView* getCurrentForm() const { return currentForm; }
  // The form on screen: the transaction processor sets it whenever it moves to a form (not owned).
  void setCurrentForm(FormView* form) { currentForm = form; }
  const std::optional<DeviceInfo>& getDeviceInfo() const { return deviceInfo; }
  int getRows() const { return rows; }
  int getColumns() const { return columns; }
  // Sets the screen size (values below 1 are ignored).
  void setScreenSize(int rows, int columns);
  int getCursorStartRow() const { return cursorStartRow; }
  int getCursorStartCol() const { return cursorStartCol; }
  int getCursorCurrentRow() const { return cursorCurrentRow; }
  int getCursorCurrentCol() const { return cursorCurrentCol; }
  bool isMaskInput() const { return bMaskInput; }
  // Password fields: echo "*" once per typed chunk instead of the chunk.
  void setMaskInput(bool mask) { bMaskInput = mask; }
  bool isIgnoreNewLines() const { return ignoreNewLines; }
  void setIgnoreNewLines(bool ignore) { ignoreNewLines = ignore; }
  const std::string& getPlaceOfInvoke() const { return placeOfInvoke; }
  const std::string& getStatusMessage() const { return statusMessage; }
  const std::string& getDisplayErrorMessage() const { return displayedErrorMessage; }
  const std::string& getTitle() const { return title; }
  const std::optional<std::string>& getLastInput() const { return lastInput; }
  const std::string& getRawInput() const { return rawInput; }
  const std::string& getReadRawInput() const { return read_rawInput; }
  int getSelElement() const { return selElement; }
  int getStartElement() const { return startElement; }

 protected:
  // The pause of the one-argument error line: emulator_display_defaults / display_error_in_seconds.
  int displayErrorSeconds();
  // The text of a message id; a missing id shows the standard error window naming it ("Message :" or, with
  // blankAfterColon, "Message : ") and ends the process.
  std::string messageText(const std::string& id, bool blankAfterColon);
  [[noreturn]] void missingMessage(const std::string& id, bool blankAfterColon);

 private:
  // Encodes and writes; a failure is logged once and later output is dropped.
  void send(std::string_view text);
  std::string cursorSequence(int row, int column) const;
  std::string cursorSequence(std::string_view row, std::string_view column) const;
  std::string attributeSequence(std::string_view attribute) const;
  // Steps 1 and 2 of read(): one chunk from the reader thread or the descriptor, without its line feed.
  std::string readChunkText();
  // Ends the process after a read failure or at end of input.
  [[noreturn]] void inputLost(const std::string& cause);
  // Redraws the session screen after a broadcast and returns what read() returns then, or nothing to read
  // again.
  std::optional<std::string> restoreAfterBroadcast();
  void drawListPage(const std::vector<std::string>& values, const ListGeometry& geometry, int selected);

  int inputFd;
  int outputFd;
  EmulatorSettings settings;
  TerminalHost* host = nullptr;
  std::unique_ptr<TextDecoder> decoder;
  std::unique_ptr<TextEncoder> encoder;
  bool outputFailed = false;
  bool ignoreNewLines = false;

  int cursorStartRow = 0;
  int cursorStartCol = 0;
  int cursorCurrentRow = 0;
  int cursorCurrentCol = 0;
  FormView* currentForm = nullptr;
  std::optional<DeviceInfo> deviceInfo;
  int rows = 16;
  int columns = 20;
  int selElement = 0;
  int startElement = 0;
  int selColumn = 0;
  log::Logger logger;
  std::string statusMessage;
  std::string displayedErrorMessage;
  std::string placeOfInvoke;
  std::string title;
  std::optional<std::string> lastInput;
  std::string read_rawInput;
  std::string rawInput;
  std::string input;
  bool bMaskInput = false;

  mutable std::mutex readyMutex;
  std::condition_variable readyChanged;
  bool bReady = false;

  std::function<void()> inputWaitObserver;
};

}  // namespace tev
