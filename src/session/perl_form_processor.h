// PerlFormProcessor: the link between this scanner process and an environment's external Perl program.
//
// The program is started once at start-up and connects back over two local TCP connections (loopback):
//   - the control connection (port 6006, bound by the constructor before the program starts): the program's
//     screen output and a few control requests come in; the transaction id, the operator's input and the
//     answers go out;
//   - the data connection (port 6007, opened when the program sends "<<SKM_CONNECT>>"): router requests
//     ("<<SKM>>"), MySQL statements ("<<MYSQL>>") and result-file fetches ("<<DOWNLOAD>>") come in, each
//     answered with a line "<<RES>>" + the outcome; any other text is screen output.
// Neither connection is framed: whatever has arrived (up to 1024 bytes) is one chunk, and the markers are
// looked for inside it. The program's "<<MENU>>" ends a Perl transaction only when it is the whole chunk.
// Texts sent to the program are UTF-8, each line ends with a line feed, and in a text longer than two
// characters every carriage return becomes a line feed first. Bytes that are no UTF-8 become U+FFFD.
//
// A Perl transaction (processForm, called by a Perl menu item) runs on the main thread, which polls both
// connections. A reader thread meanwhile owns the terminal's input and forwards each chunk the operator sends
// to the program. When the transaction ends, the reader thread's next chunk is handed back to the terminal
// (TerminalEmulator::setReady, ReaderThreadLink), which waits for it in read().
//
// The program ending (its control connection closed) during a transaction ends the transaction; the link is
// then closed for good and later Perl transactions fail at once with tev::Error. A router request that fails
// is answered "<<RES>>" + the failure's message, so the program never waits for nothing.
//
// Exits: a port that cannot be bound after the attempts, a data connection the program never makes, and the
// loss of the terminal end the scanner process (exitProcess(0)); the last one on the main thread.
//
// Threads: the main thread runs processForm and writes both connections; the reader thread reads the terminal
// and writes the control connection (one lock serialises the writes). Nothing here writes standard output.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/child_process.h"
#include "common/fd.h"
#include "common/log.h"
#include "common/tcp.h"
#include "terminal/terminal_host.h"
#include "terminal/text_codec.h"

namespace tev {

class TerminalEmulator;

class PerlFormProcessor : public ReaderThreadLink {
 public:
  static inline const std::string LOGGER_NAME = "tev.framework.emulation.Logger";
  static constexpr int CONTROL_PORT = 6006;
  static constexpr int DATA_PORT = 6007;
  // Bytes read at most from a connection or the terminal at a time.
  static constexpr std::size_t CHUNK_SIZE = 1024;

  static inline const std::string MENU = "<<MENU>>";
  static inline const std::string SKM_CONNECT = "<<SKM_CONNECT>>";
  static inline const std::string USER_PARAMS = "<<USER_PARAMS>>";
  static inline const std::string TRANSACTION_PARAMS = "<<TRANSACTION_PARAMS>>";
  static inline const std::string DOWNLOAD = "<<DOWNLOAD>>";
  static inline const std::string SKM = "<<SKM>>";
  static inline const std::string MYSQL = "<<MYSQL>>";
  static inline const std::string RES = "<<RES>>";
  static inline const std::string MYSQL_ADDED = "MySQL record added";
  static inline const std::string MYSQL_FAILED = "Failed to add MySQL record";

  // The database of the "<<MYSQL>>" requests, as the link uses it.
  class SqlUpdater {
   public:
    virtual ~SqlUpdater() = default;
    // Runs one statement as an update; throws (any std::exception) on failure.
    virtual void executeUpdate(const std::string& sql) = 0;
  };
  // Opens a connection; throws on failure.
  using SqlConnector = std::function<std::unique_ptr<SqlUpdater>()>;
  // The MySQL database "mosku" on 127.0.0.1 at the client library's default port, account qoj / qoj.
  static SqlConnector mysqlConnector();

  struct Options {
    // 0: a port the system chooses (tests); see controlPort() and dataPort().
    int controlPort = CONTROL_PORT;
    int dataPort = DATA_PORT;
    // Attempts to bind the control port and to open the data connection, and the pause after a failure.
    int attempts = 9;
    std::chrono::milliseconds retryPause{1000};
    // The longest wait for the program to connect.
    std::chrono::milliseconds connectWait{30000};
    // Between polling rounds of a transaction; nothing: torvend / emulator_poll_time of the registry's
    // settings (100 when it cannot be read).
    std::optional<std::chrono::milliseconds> pollTime;
    // Empty: mysqlConnector().
    SqlConnector connectSql;
  };

  // Binds the control listener (the attempts of Options, each failure logged "Failed to bind to port " +
  // port); when every attempt failed, terminateProcesses() ends the scanner process.
  PerlFormProcessor();
  explicit PerlFormProcessor(Options options);
  // Ends the link: a reader thread still waiting for the terminal is left to the end of the process.
  ~PerlFormProcessor() override;
  PerlFormProcessor(const PerlFormProcessor&) = delete;
  PerlFormProcessor& operator=(const PerlFormProcessor&) = delete;

  // Keeps the program (an empty ChildProcess when there is none to watch) and the terminal (not owned; it
  // must outlive the link), reads the poll time, and waits for the program to connect on the control port.
  // Throws tev::Error when it does not connect in time or ends before it connects; the listener is closed
  // either way.
  virtual void initialize(ChildProcess process, TerminalEmulator& emulator);

  // Runs one Perl transaction: sends the transaction id, relays the terminal both ways and serves the
  // program's requests until the program sends "<<MENU>>" alone or closes the control connection. Throws
  // tev::Error, before anything runs, when the link is closed or the id cannot be sent.
  virtual void processForm(const std::string& transactionId, const std::string& title);

  // One chunk from the control connection (not "<<MENU>>"): a control request or screen output.
  virtual void processPerlProgramOutput(const std::string& text);
  // One chunk from the data connection: a data request (text before it to the screen) or screen output.
  virtual void processPerlRequest(const std::string& text);
  // The operator's chunk, forwarded to the program.
  virtual void processEmulatorInput(const std::string& chunk);
  // The body of the reader thread (see the class comment).
  virtual void run();

  // The control connection, without and with a line feed; the data connection with one. Throws tev::Error
  // when the connection is not open or the write fails.
  virtual void writeToPerlProcess(const std::string& text);
  virtual void writelnToPerlProcess(const std::string& text);
  virtual void writelnToIpcSocket(const std::string& text);

  // The user, the user's company, def_printer, laser_printer, warehouse, def_ib_run, def_ob_run, then the
  // function server's query data directory, the mounted query data directory and the label output directory,
  // joined by ","; "null" for an absent value.
  virtual std::string getUserParameters();
  // The parameters of the running Perl transaction for the warehouse, each id "=" value ";".
  virtual std::string getTransactionParameters(const std::string& warehouse);
  // Runs the statement: MYSQL_ADDED, or MYSQL_FAILED after closing the connection.
  virtual std::string insertMysqlRecord(const std::string& statement);
  virtual void connectMysql();
  virtual void disconnectMysql();
  // Kills the program and ends the scanner process (exit status 0).
  [[noreturn]] virtual void terminateProcesses();

  // --- ReaderThreadLink ----------------------------------------------------------------------------------
  bool isReaderThreadRunning() const override { return readerRunning.load(); }
  std::string takeReaderChunk() override;

  // --- state -----------------------------------------------------------------------------------------------
  // The ports bound (the data port once the data listener was opened; 0 before).
  int controlPort() const { return boundControlPort.load(); }
  int dataPort() const { return boundDataPort.load(); }
  // The program closed the control connection: no Perl transaction can run any more.
  bool isClosed() const { return closed.load(); }
  bool isDataConnected() const { return dataSocket.valid(); }
  const std::string& getCurrentForm() const { return currentForm; }
  const std::string& getCurrentTransaction() const { return currentTransaction; }

 private:
  // One pass of a transaction; false when the transaction has ended.
  bool pollOnce();
  // A read of up to CHUNK_SIZE bytes, decoded; nothing at the end of the connection.
  std::optional<std::string> readChunk(int fd, TextDecoder& decoder);
  // Opens the data connection ("<<SKM_CONNECT>>").
  void openDataConnection();
  // A router request's answer line (failures answered with their message).
  void answerRouterRequest(const std::string& request);
  // Screen output of the program.
  void toScreen(const std::string& text);
  // Both connections closed, the link closed for good.
  void closeLink(const std::string& why);
  // Writes on a connection under the write lock; tev::Error when it is not open or the write fails.
  void writeOn(const Fd& socket, const std::string& bytes);
  // Waits for the program to connect on the listener (connectWait); tev::Error when it does not, or when
  // the program has ended meanwhile.
  Fd acceptProgram(TcpListener& listener);
  // The stored chunk of the reader thread.
  void storeChunk(const std::string& chunk);
  void joinReader();

  Options options;
  log::Logger logger;
  ChildProcess perlProcess;
  TerminalEmulator* emulator = nullptr;

  TcpListener ipcServerSocket;
  Fd ipcSocket;
  TextDecoder in;
  TcpListener dataServerSocket;
  Fd dataSocket;
  TextDecoder ipcIn;
  // Serialises writes of the main and the reader thread.
  std::mutex writeMutex;

  std::string currentForm;
  std::string currentTransaction;
  std::chrono::milliseconds nEmulatorPollTime{100};

  std::unique_ptr<SqlUpdater> mySqlConn;

  std::thread processReaderThread;
  // Set when the reader thread starts; cleared when its last chunk is taken (takeReaderChunk), so the
  // terminal never reads its input itself while a chunk is still being handed over.
  std::atomic<bool> readerRunning{false};
  std::atomic<bool> readerFinished{true};
  std::atomic<bool> bExitForm{false};
  // The reader thread lost the terminal: the main thread ends the process.
  std::atomic<bool> terminalLost{false};
  std::atomic<bool> closed{false};
  std::atomic<int> boundControlPort{0};
  std::atomic<int> boundDataPort{0};
  mutable std::mutex chunkMutex;
  std::string dataChars;
  std::size_t noOfCharsRead = 0;
};

}  // namespace tev
