// The start-up of a scanner process: VAVInterface::main, initialize, initializeLabelsAndMessages and the
// session's views for the terminal and the gateway (see vav_interface_startup.h).
#include "session/vav_interface_startup.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "builtin/menu.h"
#include "common/child_process.h"
#include "common/clock.h"
#include "common/error.h"
#include "common/fd.h"
#include "common/java_text.h"
#include "config/baan_field_def.h"
#include "config/barcode_manager.h"
#include "config/device_type_info_parser.h"
#include "config/vav_settings.h"
#include "config/vrc_parser.h"
#include "engine/baan_field_checks.h"
#include "engine/baan_field_def_list.h"
#include "engine/field_services.h"
#include "engine/form.h"
#include "engine/param_manager.h"
#include "engine/tev_memory_variables.h"
#include "engine/transaction.h"
#include "engine/transaction_processor.h"
#include "engine/transaction_xml_parser.h"
#include "engine/user_data.h"
#include "engine/vav_interface_data.h"
#include "gateway/request_handler.h"
#include "labels/print_bar_code_labels.h"
#include "session/daemon_link.h"
#include "session/device_log.h"
#include "session/gateway_session_link.h"
#include "session/log_backup.h"
#include "session/perl_command.h"
#include "session/perl_form_processor.h"
#include "session/registry_user_params.h"
#include "session/scanner_arguments.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"
#include "terminal/emulator_settings.h"
#include "terminal/term_key_parser.h"
#include "terminal/terminal_emulator.h"

namespace tev {
namespace {

// What start-up keeps beyond the registry's entries: the daemon link the terminal is built on, the
// terminal's host, and the parameter store the field checks read (the registry's entry may be replaced).
struct StartupState {
  std::optional<DaemonLink> link;
  SessionTerminalHost host;
  std::shared_ptr<ParamManager> checksParams;
};

StartupState& state() {
  static StartupState* instance = new StartupState();  // lives until the process ends
  return *instance;
}

bool fileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::string flagText(bool flag) {
  return flag ? "true" : "false";
}

// Writes a line on a descriptor directly; failures are ignored (there is nowhere left to report them).
void writeLineTo(int fd, const std::string& text) {
  try {
    writeAll(fd, text + "\n");
  } catch (const Error&) {
  }
}

// The row selection of a list result, through the processing object of the running transaction.
void selectQueryRow(Transaction& transaction, const std::string& resultName, int row) {
  try {
    auto* logic = dynamic_cast<TransactionLogic*>(transaction.getProcessingObject());
    if (logic == nullptr) {
      transaction.qryResultsIndices[resultName][Transaction::SEL_ROW] = row;
      return;
    }
    logic->setQryRowIndex(resultName, row);
  } catch (const std::exception& failure) {
    TransactionLogic::logger()->error("setQryRowIndex of {} failed: {}", transaction.id, failure.what());
  }
}

// Step 6 of the start-up: the login transaction from "Standard.xml" with its layouts
// "StandardBarcodeList.xml" and its parameters.
std::shared_ptr<Transaction> buildLoginTransaction() {
  std::optional<std::string> path = VAVInterface::vrcParser->getTransXMLFilePath("Standard.xml");
  VAVInterface::log(10, "Creating Standard Transaction: " + nullText(path));
  if (!path) throw Error("The login transaction's definition Standard.xml was not found");
  std::shared_ptr<Transaction> login = VAVInterface::xmlParser->loadTransaction(
      *VAVInterface::vrcParser, "Standard", VAVInterface::barcodeManager);
  if (login == nullptr) throw Error("The login transaction could not be read from " + *path);
  login->getProcessingObject();
  login->paramManager = VAVInterface::paramManager;
  VAVInterface::paramManager->loadWhseParams("", login->id);
  if (login->bAutoLoadParameters) VAVInterface::paramManager->loadParameters({}, ParamObject::of(*login));
  return login;
}

// The words of a command line, split at blanks as the platform's process start splits a command text.
std::vector<std::string> commandWords(const std::string& command) {
  std::vector<std::string> words;
  std::istringstream in(command);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Step 7 of the start-up: the environment's Perl program and the link to it. The link listens on its control
// port before the program starts (a port that stays taken ends the process); the program's standard input is
// empty and its output goes to <log directory>/<deviceId>_perl.out (never to the terminal channel). A program
// that cannot be prepared or started, or that does not connect, is logged and the session goes on without
// the link: its Perl menu items then fail with a logged error.
void startPerlProgram(const LogPlacement& placement, const LogBackupSettings& backup,
                      Clock::time_point start) {
  PerlCommandContext context{VAVInterface::environment,
                             VAVInterface::deviceId,
                             VAVInterface::deviceType,
                             placement.directory,
                             backup,
                             start};
  std::unique_ptr<PerlFormProcessor> link;
  try {
    std::optional<std::string> command = preparePerlCommand(*VAVInterface::vavSettings, context);
    if (!command) return;
    link = std::make_unique<PerlFormProcessor>();
    VAVInterface::log(10, "Running Perl Process: " + *command);
    ChildProcess::Options options;
    options.argv = commandWords(*command);
    if (options.argv.empty()) throw Error("The Perl program command is empty");
    const std::string output = placement.directory + "/" + VAVInterface::deviceId + "_perl.out";
    options.stdinSpec = StreamSpec::null();
    options.stdoutSpec = StreamSpec::file(output);
    options.stderrSpec = StreamSpec::file(output);
    link->initialize(ChildProcess::start(options), *VAVInterface::emulator);
  } catch (const std::exception& failure) {
    VAVInterface::logger()->error("{}", std::string("Failed to start the Perl program: ") + failure.what());
    VAVInterface::logStackTrace(failure);
    VAVInterface::logger()->warn("{}", "The Perl program link is not available: the session runs without it");
    return;  // the link goes: its port is free again and the program, if it runs, is killed
  }
  PerlFormProcessor* processor = VAVInterface::own(std::move(link));
  VAVInterface::perlProcessor = processor;
  builtin::Menu::perlRunner = [processor](const std::string& transactionId, const std::string& label) {
    processor->processForm(transactionId, label);
  };
}

// Steps 1 to 13 once the command line is known; returns the exit status.
int runScannerProcess(const ScannerArguments& args, Clock::time_point start) {
  // Step 2: the first log, on the process's standard error stream.
  DeviceLog deviceLog;
  VAVInterface::DC = args.DC;
  VAVInterface::vavSettingsFilePath = args.vavSettingsFilePath;
  VAVInterface::deviceId = args.deviceId;
  VAVInterface::environment = args.environment;
  try {
    deviceLog.openFirst(args.DC, args.deviceId);
  } catch (const std::exception& failure) {
    // The standard error stream is still the one the process was started with.
    writeLineTo(STDERR_FILENO, failure.what());
    writeLineTo(STDERR_FILENO, std::string("\tat ") + typeid(failure).name());
    return 0;
  }

  // Step 3.
  DeviceLog::attachLoggersToStandardError();
  deviceLog.writeLine(args.describe());
  VAVInterface::deviceType = args.deviceType;

  try {
    // Step 4: the settings and their copy for the gateway.
    if (!fileExists(args.vavSettingsFilePath))
      throw Error("The settings file " + args.vavSettingsFilePath + " does not exist");
    auto* settings = VAVInterface::own(std::make_unique<VAVSettings>(args.vavSettingsFilePath));
    VAVInterface::vavSettings = settings;
    auto* data = VAVInterface::own(std::make_unique<VAVInterfaceData>());
    data->initialize(*settings, args.environment);
    VAVInterface::interfaceData = data;

    // Steps 5 and 6: the final place of the log.
    LogPlacement placement = deviceLog.place(*settings, start);
    VAVInterface::log(10, "Device Id: " + args.deviceId);
    VAVInterface::log(10, "Environment Id: " + args.environment);
    VAVInterface::log(10, "  Device Type obtained from Torvend = " + args.deviceType);

    // Step 7: the daemon link (ends the process on a socket-mode failure).
    state().link.emplace(DaemonLink::connect(*settings));

    // Step 8: the dated log.
    LogBackupSettings backup = keepOrRemoveDatedLog(*settings, placement);
    VAVInterface::backupYesNo = backup.keepLogFiles;
    VAVInterface::backupDir = backup.backupDir;

    // Step 9.
    data->DC = args.DC;
    VAVInterface::functionServerPath = data->qryFunctionServerDataDir.value_or("");
    VAVInterface::vrcParser = VAVInterface::own(std::make_unique<VRCParser>(*settings, args.environment));

    // Step 10.
    if (!VAVInterface::initialize()) {
      VAVInterface::log(10, "Failed to initialize");
      return 0;
    }

    // Steps 11 and 12.
    std::shared_ptr<Transaction> login = buildLoginTransaction();
    startPerlProgram(placement, backup, start);

    // Step 13: the main loop.
    TevMemoryVariables& memory = *VAVInterface::tevMemory;
    memory.putTransaction(TevMemoryVariables::STANDARD, login);
    memory.currentTransaction = login;
    auto* processor = VAVInterface::own(
        std::make_unique<TransactionProcessor>(memory, *VAVInterface::settings, *VAVInterface::emulator));
    VAVInterface::transProcessor = processor;
    processor->processForm();
  } catch (const std::exception& failure) {
    VAVInterface::logger()->error("{}", failure.what());
    VAVInterface::logStackTrace(failure);
  }
  return 0;
}

// Steps 2 to 4 of initialize: dictionary, device type, key list. False when the session cannot run.
bool loadDictionary() {
  std::string path = VAVInterface::vrcParser->getPersistedBaanFieldsObjectPath(VAVInterface::environment);
  if (!fileExists(path)) {
    // The session runs without a dictionary: every field value passes unchecked.
    VAVInterface::log(10, "Persisted BaanFieldDefs object not found: " + path);
    return true;
  }
  std::optional<BaanFieldDefList> loaded = BaanFieldDefList::load(path, VAVInterface::logger());
  if (loaded) VAVInterface::baanFieldDefList = VAVInterface::own(std::make_unique<BaanFieldDefList>(*loaded));
  return true;
}

bool loadDeviceType() {
  auto* parser = VAVInterface::own(std::make_unique<DeviceTypeInfoParser>());
  VAVInterface::deviceTypeParser = parser;
  std::string path = VAVInterface::vrcParser->getStandardDataFilePath("device_type_info.xml");
  if (!fileExists(path)) {
    VAVInterface::log(10, "device_type_info.xml file not found");
    return true;
  }
  try {
    parser->initialize(path);
  } catch (const std::exception& failure) {
    VAVInterface::logger()->error("{}",
                                  std::string("Failed to load device_type_info.xml: ") + failure.what());
    VAVInterface::logStackTrace(failure);
    return false;
  }
  VAVInterface::deviceInfo = parser->getDeviceInfo(VAVInterface::deviceType);
  return true;
}

bool loadKeyList() {
  std::string name = "key_list.xml";
  if (VAVInterface::deviceInfo && VAVInterface::deviceInfo->getKeyMapFileName())
    name = *VAVInterface::deviceInfo->getKeyMapFileName();
  std::string path = VAVInterface::vrcParser->getStandardDataFilePath(name);
  VAVInterface::log(10, "KeyList File Path = " + path);
  if (!fileExists(path)) {
    VAVInterface::log(10, "key_list.xml file not found");
    return false;
  }
  TermKeyParser keys;
  try {
    keys.initialize(path);
  } catch (const std::exception& failure) {
    VAVInterface::logger()->error("{}",
                                  std::string("Failed to load the key_list.xml file: ") + failure.what());
    return false;
  }
  auto settings = std::make_unique<EmulatorSettings>();
  try {
    settings->initialize(keys);
  } catch (const std::exception& failure) {
    VAVInterface::logger()->error("{}", "Failed to initialize EMulatorSettings");
    VAVInterface::logStackTrace(failure);
    return false;
  }
  VAVInterface::settings = VAVInterface::own(std::move(settings));
  return true;
}

// Step 12 of initialize: the global decimal parameters; the first one that cannot be read ends the step.
void loadDecimalParameters() {
  ParamManager& params = *VAVInterface::paramManager;
  try {
    VAVInterface::implementDecimalFormatting = params.getBooleanParamValue({"implement_decimal_formatting"});
    VAVInterface::decimalFormatString = params.getParamValue({"decimal_format_string"});
    VAVInterface::decimalSeperator = params.getParamValue({"decimal_seperator"});
  } catch (const std::exception& failure) {
    VAVInterface::logger()->debug("Decimal formatting parameters not loaded: {}", failure.what());
  }
  FieldServices& services = fieldServices();
  services.implementDecimalFormatting = VAVInterface::implementDecimalFormatting;
  services.decimalFormatString = VAVInterface::decimalFormatString;
  services.decimalSeperator = VAVInterface::decimalSeperator;
}

}  // namespace

// --- SessionTerminalHost -----------------------------------------------------------------------------------

const DeviceInfo* SessionTerminalHost::getDeviceInfo() {
  return VAVInterface::deviceInfo ? &*VAVInterface::deviceInfo : nullptr;
}

std::optional<std::string> SessionTerminalHost::getCharEncoding() {
  if (!VAVInterface::xmlEncodingInUse || trim(VAVInterface::charEncoding).empty()) return std::nullopt;
  return VAVInterface::charEncoding;
}

const MessageList* SessionTerminalHost::getMessageList() {
  return &VAVInterface::messageList;
}

std::string SessionTerminalHost::getParamValue(const std::vector<std::string>& path) {
  return VAVInterface::paramManager ? VAVInterface::paramManager->getParamValue(path) : std::string();
}

ReaderThreadLink* SessionTerminalHost::getReaderThreadLink() {
  return VAVInterface::perlProcessor;
}

void SessionTerminalHost::restoreSessionScreen(TerminalEmulator& emulator) {
  TransactionProcessor* processor = VAVInterface::transProcessor;
  if (processor != nullptr && processor->currentForm != nullptr) {
    processor->currentForm->display(emulator);
    return;
  }
  TerminalHost::restoreSessionScreen(emulator);
}

// --- gateway context ---------------------------------------------------------------------------------------

FieldDictionary registryFieldDictionary() {
  return [](const std::string& id) -> std::optional<BaanFieldDef> {
    if (VAVInterface::baanFieldDefList == nullptr) return std::nullopt;
    return VAVInterface::baanFieldDefList->getBaanFieldDef(id);
  };
}

GatewayContext sessionGatewayContext() {
  GatewayContext context;
  context.terminal = VAVInterface::emulator;
  context.interfaceData = VAVInterface::interfaceData;
  context.deviceId = VAVInterface::deviceId;
  context.environment = VAVInterface::environment;
  context.user = []() -> const UserData* { return VAVInterface::userData.get(); };
  context.paramManager = VAVInterface::paramManager.get();
  context.memory = VAVInterface::tevMemory;
  context.fileLocator = VAVInterface::vrcParser;
  context.fieldDictionary = registryFieldDictionary();
  context.functionServerPath = [] { return VAVInterface::functionServerPath; };
  context.updateSqlSharedVariableMaps = sqlSharedVariableUpdater();
  context.setQryRowIndex = selectQueryRow;
  return context;
}

// --- VAVInterface ------------------------------------------------------------------------------------------

int VAVInterface::main(int argc, const char* const* argv) {
  const Clock::time_point start = Clock::current().now();
  // Step 1: the command line, checked before anything is opened.
  ScannerCommandLine commandLine = ScannerCommandLine::check(argc, argv);
  writeLineTo(STDERR_FILENO, commandLine.startMessage);
  if (!commandLine.arguments) {
    writeLineTo(STDERR_FILENO, commandLine.stopMessage);
    return commandLine.stopStatus;
  }
  return runScannerProcess(*commandLine.arguments, start);
}

bool VAVInterface::initialize() {
  // 1. Screen texts of "english".
  if (!initializeLabelsAndMessages("english")) return false;
  // 2. to 4. Field dictionary, device type, key list.
  if (!loadDictionary() || !loadDeviceType() || !loadKeyList()) return false;

  // 5. The terminal on the daemon link.
  StartupState& startup = state();
  if (!startup.link) {
    logger()->error("{}", "No link to the daemon for the terminal");
    return false;
  }
  emulator = own(std::make_unique<TerminalEmulator>(startup.link->inputFd(), startup.link->outputFd()));
  if (!emulator->intialize(*settings, &startup.host)) {
    logger()->error("{}", "Failed to initialize the terminal");
    return false;
  }

  // 6. and 7. Session memory and the definition reader.
  tevMemory = own(std::make_unique<TevMemoryVariables>());
  tevMemory->settings = settings;
  xmlParser = std::make_shared<TransactionXmlParser>(labelList, messageList, registryFieldDictionary());

  // 9. (before 8, which the router connection's context points at) The parameter store.
  paramManager = std::make_shared<ParamManager>();
  paramManager->setFileLocator(vrcParser);
  paramManager->setUserParams(registryUserParams());
  paramManager->initialize();
  startup.checksParams = paramManager;

  // 8. The router connection; a failure leaves the session running (requests fail later).
  requestHandler = own(std::make_unique<RequestHandler>(sessionGatewayContext()));
  if (!requestHandler->initialize()) log(10, "Failed to initialize RequestHandler");

  // 10. The label job writer.
  printLabels = own(std::make_unique<PrintBarCodeLabels>(interfaceData->barCodeOutputDir.value_or(""), DC));
  printLabels->setTransactionName("");
  printLabels->initialize();

  // 11. The bar-code layout service.
  log(10, "  device Info = " + (deviceInfo ? deviceInfo->toString() : std::string("null")));
  barcodeManager = own(std::make_unique<BarcodeManager>());

  // 12. Decimal formatting, and the dictionary's checks behind every field.
  loadDecimalParameters();
  fieldServices().checks = own(std::make_unique<BaanFieldChecks>(startup.checksParams.get()));
  return true;
}

bool VAVInterface::initializeLabelsAndMessages(const std::string& language) {
  // 1. The encoding settings; the first missing one ends the reads (the rest keep their values).
  bool datFilesInXml = false;
  bool saveInTextFormat = false;
  try {
    xmlEncodingInUse = vavSettings->loadBooleanSetting({"encoding", "enable_xml_encoding"}, environment);
    datFilesInXml = vavSettings->loadBooleanSetting({"encoding", "dat_files_in_xml"}, environment);
    charEncoding = vavSettings->loadSetting({"encoding", "char_encoding"}, environment);
    saveInTextFormat = vavSettings->loadBooleanSetting({"encoding", "save_in_text_format"}, environment);
    charEncodingForXml = vavSettings->loadSetting({"encoding", "char_encoding_for_xml"}, environment);
  } catch (const std::exception& failure) {
    log(10, " encoding tags not found");
    logStackTrace(failure);
  }
  const TextTableForm form = textTableForm(datFilesInXml || xmlEncodingInUse, saveInTextFormat);

  // 2. Labels.
  std::string labelsPath = vrcParser->getPersistedLabelsObjectPath(language);
  log(10, "Label List Object Path = " + labelsPath + " For Language = " + language);
  if (!fileExists(labelsPath)) {
    log(10, "Persisted Labels object not found");
    return false;
  }
  log(10,
      "dat File Encoding = " + flagText(datFilesInXml) + " xmlEncodingInUse = " + flagText(xmlEncodingInUse));
  std::optional<LabelList> labels = LabelList::loadPersisted(labelsPath, form, logger());
  if (!labels) return false;
  labelList = std::move(*labels);

  // 3. Messages.
  std::string messagesPath = vrcParser->getPersistedMessagesObjectPath(language);
  if (!fileExists(messagesPath)) {
    log(10, "Persisted messages object not found");
    return false;
  }
  std::optional<MessageList> messages = MessageList::loadPersisted(messagesPath, form, logger());
  if (!messages) return false;
  messageList = std::move(*messages);
  return true;
}

}  // namespace tev
