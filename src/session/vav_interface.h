// VAVInterface: the process-wide service registry of a scanner process. Every entry is process-wide state
// that start-up fills once (some entries again at log-in, one around each nested transaction) and every
// other part of the session reads directly. The registry is data only: start-up (main, initialize, the
// labels and messages of a language, the Perl link) lives in its own files and fills the entries below; tests
// fill only what they use and call reset() when they end.
//
// What start-up is expected to fill, in its order:
//   DC, vavSettingsFilePath, deviceId, environment, deviceType   the command line ("Generic" without type)
//   vavSettings, interfaceData                                   the settings file and the gateway's copy
//   vrcParser                                                    the file locator of the environment
//   functionServerPath                                           from interfaceData.qryFunctionServerDataDir
//   labelList, messageList, xmlEncodingInUse, charEncoding,      the screen texts of "english" (log-in
//     charEncodingForXml                                         replaces the lists for the user's language)
//   baanFieldDefList, deviceTypeParser, deviceInfo, settings     dictionary, device type, key list
//   emulator, tevMemory, xmlParser                               terminal, session memory, definition reader
//   requestHandler                                               the router connection (its GatewayContext
//                                                                 should plug in sqlSharedVariableUpdater())
//   paramManager, printLabels, barcodeManager                    parameters, label writer, bar-code layouts
//   implementDecimalFormatting, decimalFormatString,             the global decimal parameters
//     decimalSeperator
//   perlProcessor                                                the Perl program link (when one is set)
//   transProcessor                                               the first-level processor of the main loop
// and at log-in userData and userSettingsParser.
//
// Ownership: the pointer entries do not own what they point to. Whoever creates a service keeps it alive,
// start-up typically through own(), which keeps an object until reset() or the end of the process. Entries
// that are replaced while the process runs (the user, the parameter store of a transaction, the definition
// reader that popupTransaction creates) are shared pointers, so the one replaced is freed when no
// transaction holds it any more.
//
// Threads: written during start-up, log-in and around nested transactions on the main thread only; no locks.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/device_info.h"
#include "config/label_list.h"
#include "config/message_list.h"

namespace tev {

class BaanFieldDefList;
class BarcodeManager;
class DeviceTypeInfoParser;
class EmulatorSettings;
class ParamManager;
class PerlFormProcessor;
class PrintBarCodeLabels;
class RequestHandler;
class TerminalEmulator;
class TevMemoryVariables;
class TransactionProcessor;
class TransactionXmlParser;
class UserData;
class UserMenuXmlParser;
class VAVInterfaceData;
class VAVSettings;
class VRCParser;

class VAVInterface {
 public:
  VAVInterface() = delete;

  static inline const std::string LOGGER_NAME = "tev.framework.application.Logger";
  static inline const std::string GENERIC_DEVICE_TYPE = "Generic";

  // --- command line ------------------------------------------------------------------------------------
  static inline std::string DC;
  static inline std::string vavSettingsFilePath;
  static inline std::string deviceId;
  static inline std::string environment;
  static inline std::string deviceType = GENERIC_DEVICE_TYPE;

  // --- settings and files --------------------------------------------------------------------------------
  static inline VAVSettings* vavSettings = nullptr;
  static inline VAVInterfaceData* interfaceData = nullptr;
  static inline VRCParser* vrcParser = nullptr;
  // backup_log_files / keep_log_files and backup_dir; nothing when the settings lack them.
  static inline std::optional<std::string> backupYesNo;
  static inline std::optional<std::string> backupDir;

  // --- screen texts ----------------------------------------------------------------------------------------
  static inline LabelList labelList;
  static inline MessageList messageList;
  static inline bool xmlEncodingInUse = false;
  static inline std::string charEncoding;
  static inline std::string charEncodingForXml;

  // --- dictionary, device, terminal ----------------------------------------------------------------------
  static inline BaanFieldDefList* baanFieldDefList = nullptr;
  static inline DeviceTypeInfoParser* deviceTypeParser = nullptr;
  static inline std::optional<DeviceInfo> deviceInfo;
  static inline EmulatorSettings* settings = nullptr;
  static inline TerminalEmulator* emulator = nullptr;

  // --- session -------------------------------------------------------------------------------------------
  static inline TevMemoryVariables* tevMemory = nullptr;
  static inline std::shared_ptr<TransactionXmlParser> xmlParser;
  static inline RequestHandler* requestHandler = nullptr;
  static inline std::shared_ptr<ParamManager> paramManager;
  static inline PrintBarCodeLabels* printLabels = nullptr;
  static inline BarcodeManager* barcodeManager = nullptr;
  static inline bool implementDecimalFormatting = false;
  static inline std::string decimalFormatString = "0.00";
  static inline std::string decimalSeperator = ".";
  // The processor that runs the current transaction; a nested transaction replaces it while it runs.
  static inline TransactionProcessor* transProcessor = nullptr;
  static inline std::string functionServerPath;
  // The link to the environment's Perl program; nullptr when none is configured or it could not start.
  static inline PerlFormProcessor* perlProcessor = nullptr;

  // --- log-in ----------------------------------------------------------------------------------------------
  static inline std::shared_ptr<UserData> userData;
  static inline UserMenuXmlParser* userSettingsParser = nullptr;

  // --- operations
  // -------------------------------------------------------------------------------------------- The process
  // logger ("tev.framework.application.Logger").
  static log::Logger logger();
  // Writes the message to the process log at one fixed level; the integer level filters nothing.
  static void log(int level, const std::string& message);
  // Writes the failure's message as a stack-trace record (its type and message) to the process log.
  static void logStackTrace(const std::exception& failure);

  // --- start-up (vav_interface_startup.cc)
  // ------------------------------------------------------------------ The scanner process: checks the
  // command line, opens and places the device log, reads the settings, links to the daemon, creates the
  // services, builds the login transaction and runs the main loop. Returns the process's exit status when
  // start-up ends early or an error leaves it; exits through tev::exitProcess (the terminal at end of input,
  // escape on the login form, the invalid-log-setting check). The transaction classes must be in
  // ClassRegistry::process() before (the program's main registers them).
  static int main(int argc, const char* const* argv);
  // Creates the services in their order (labels and messages of "english", field dictionary, device type,
  // key list, terminal, session memory, definition reader, router connection, parameters, label writer,
  // bar-code layouts, decimal parameters). False, after logging why, when the session cannot run.
  static bool initialize();
  // Loads labelList and messageList for the language from the prebuilt tables (the encoding settings of the
  // environment choose the form); each list is replaced only by a successful load. False when either fails.
  static bool initializeLabelsAndMessages(const std::string& language);
  // The record of this device's type; nothing when the type is not listed (or before initialize).
  static const std::optional<DeviceInfo>& getDeviceInfo() { return deviceInfo; }

  // Keeps the object alive until reset() (or the end of the process) and returns it.
  template <class T>
  static T* own(std::unique_ptr<T> object) {
    T* raw = object.get();
    owned().push_back(std::shared_ptr<void>(std::move(object)));
    return raw;
  }

  // Every entry back to its initial value and every kept object released, newest first (for tests).
  static void reset();

 private:
  static std::vector<std::shared_ptr<void>>& owned();
};

}  // namespace tev
