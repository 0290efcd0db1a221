// TransactionLogic: the base class of every transaction class (the built-in login, menu, password and help
// transactions and TransactionUtils, the common base of the business transactions). The engine creates one
// instance per loaded transaction (its processing object) and calls its handlers by name; before every
// handler call the processor binds the instance with update(), so that the operations below see the running
// transaction, its current form and field, the terminal, the user, the router connection and the
// transaction's parameters.
//
// The operations, by concern (each group lives in its own file):
//   transaction_logic.cc                   construction, update, field values and properties, titles,
//   messages transaction_logic_navigation.cc        next / previous form and field, exits, the transaction
//   stack and
//                                          nested (pop-up) transactions
//   transaction_logic_query.cc             query results: values, row indices, sorting, results into fields
//   transaction_logic_shared_variables.cc  shared variables along the transaction stack
//   transaction_logic_params.cc            parameter copies and global booleans
//   transaction_logic_printers.cc          printer look-ups
//   transaction_logic_mail.cc              mail through the mail parameters
//   transaction_logic_numbers.cc           number and date texts
//   transaction_logic_locations.cc         default, fixed and consolidated location fields
//
// Conventions:
//   - Operations that name a field of another form take the field id first and the form id second.
//   - An operation on "the current field" or "the current form" does nothing (setters) or gives the neutral
//     value its comment names (getters) when there is none; where a comment says a field or form must
//     exist, a missing one throws TransactionLogicException.
//   - Yes/no arguments are Flag (tev/session/flag.h): only a bool fills them, so a text never lands in a
//     flag overload. A class that adds an overload of one of these names hides the others; bring them back
//     with `using TransactionLogic::name;`.
//   - "Trimmed" means without leading and trailing characters of code 0 to 32 (tev::trim).
//   - Nothing is written to standard output (in a scanner process it is the terminal channel); diagnostics
//     go to the logger "tev.transaction.Logger" or the process log (VAVInterface).
//   - Operations that show the standard error window ("Error Message" ... "Press Enter To Continue") before
//     they fail throw a copy of the instance's logicException.
//
// Class-wide state (one per process, shared by every instance): the transaction stack of nested
// transactions, its current level, and the table of global booleans (never filled by the engine).
//
// Single-threaded: every operation runs inside a handler on the scanner process's main thread.
#pragma once

#include <concepts>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "engine/class_registry.h"
#include "engine/processing_object.h"
#include "engine/processor_hooks.h"
#include "engine/shared_variable.h"
#include "labels/printer_list_type.h"
#include "session/flag.h"
#include "session/qry_result_row.h"
#include "session/transaction_logic_exception.h"

namespace tev {

class Field;
class Form;
class ParamManager;
class PrintBarCodeLabels;
class RequestHandler;
class TerminalEmulator;
class Transaction;
class TransactionProcessor;
class UserData;
struct MailAttachment;

class TransactionLogic : public ProcessingObject, public ProcessorHooks {
 public:
  static inline const std::string LOGGER_NAME = "tev.transaction.Logger";
  static inline const std::string ERROR_TITLE = "Error Message";
  static inline const std::string ERROR_FOOTER = "Press Enter To Continue";
  // Sort key type names of sortQryResults.
  static inline const std::vector<std::string> NUMBER_TYPE_NAMES = {"java.lang.Double", "Double", "double",
                                                                    "number"};
  static inline const std::vector<std::string> TEXT_TYPE_NAMES = {"java.lang.String", "String", "string",
                                                                  "text"};

  using QryResultRow = tev::QryResultRow;

  // requestHandler and barCodeLabels from the service registry, labelFilesPath from its interface data
  // (barCodeLabelsPath); logs "  labelFilesPath == " + the path.
  TransactionLogic();
  ~TransactionLogic() override;
  TransactionLogic(const TransactionLogic&) = delete;
  TransactionLogic& operator=(const TransactionLogic&) = delete;

  // The class's descriptor for the class registry: name ClassRegistry::kTransactionLogic, no parent, no
  // handlers, and the parameter copies as members by name (so "program" shared variables and bar-code
  // layouts reach them in every transaction class).
  static ClassDescriptor describe();

  // --- class-wide state ------------------------------------------------------------------------------------
  // Index 0: the transaction started from the menu; each pop-up transaction is pushed on top. A finished
  // pop-up stays one place above currentStackLevel until the next popupTransaction or
  // setCurrentTransaction removes it.
  static inline std::vector<std::shared_ptr<Transaction>> transactionStack;
  static inline int currentStackLevel = 0;
  static inline std::map<std::string, bool> globalParamHash;
  // The class-wide state as at process start (for tests).
  static void resetClassState();
  static log::Logger logger();

  // --- virtual operations, in the order of the class's slots
  // ------------------------------------------------

  // Fills and unlocks the location field, or hides and empties it when the stock-location flag (trimmed)
  // is not "1"; redraws the form.
  virtual void assignDefaultLocation(const std::string& warehouse, const std::string& item,
                                     const std::string& stockLocationFlag,
                                     const std::optional<std::string>& defaultLocation,
                                     const std::string& useFixedLocation, const std::string& consolidate,
                                     const std::string& locationFieldId, const std::string& sortOrder);
  // The terminal's error line with the text / with the message of the id.
  virtual void displayErrorMessage(const std::string& text);
  virtual void displayErrorMessageForId(const std::string& messageId);
  // SkipException "Skipping form: " + current form id, key "FORM".
  [[noreturn]] virtual void exitForm();
  // setNextForm(formId), then SkipException "Skipping form: ", key "FORM".
  [[noreturn]] virtual void exitToForm(const std::string& formId);
  // Logs "Exit to Menu Called"; SkipException "Exiting Transaction", key "EXIT MENU".
  [[noreturn]] virtual void exitToMenu();
  // SkipException "Exiting Transaction", key "EXIT TRANS".
  [[noreturn]] virtual void exitTransaction();
  // Day number `days` counted from 1 January 1970 (day 0) as month/day/year without zero padding.
  virtual std::string formatDate(int days);
  // The number with the installation's pattern decimal_format_string and separator decimal_seperator
  // ("0.00" and "." when they are not usable).
  virtual std::string formatDoubleString(double number);
  // "1" when the trimmed text equals "Y" ignoring case, else "2" (also for none and blank text).
  virtual std::string getBaanEnumValue(const std::optional<std::string>& text);
  // "1" for true, "2" for false.
  virtual std::string getBaanEnumValue(Flag flag);
  // The matching getValueTrimmed equals "Y" ignoring case.
  virtual bool getBooleanValue();
  virtual bool getBooleanValue(const std::string& fieldId);
  virtual bool getBooleanValue(const std::string& fieldId, const std::string& formId);
  // Today as month, day, four-digit year, no padding, no separators ("1052026" for 5 October 2026).
  virtual std::string getCurrentDate();
  // Today's day of month, no padding.
  virtual std::string getCurrentDay();
  // -1.0 without current form; else the field's value parsed as a decimal number (blanks around it are
  // allowed); NumberFormatError for text that is no number.
  virtual double getDouble(const std::string& fieldId);
  // The field of the current form (nullptr when none or without current form).
  virtual Field* getField(const std::string& fieldId);
  // The field of that form of the running transaction; the form must exist.
  virtual Field* getField(const std::string& fieldId, const std::string& formId);
  // getFormattedNumberString read back as a number.
  virtual double getFormattedDoubleNumber(double number);
  // The number with no_of_decimal_characters decimals (at least one), rounded half-even; the plain text of
  // the number (doubleToString) when the parameter is missing or no integer.
  virtual std::string getFormattedNumberString(double number);
  // A boolean of globalParamHash; anything else throws InvalidParameter "Parameter not found".
  virtual bool getGlobalBooleanValue(const std::string& name);
  // -1 without current form; else the field's value parsed as an integer exactly as it stands (no trimming);
  // NumberFormatError for anything else.
  virtual int getInt(const std::string& fieldId);
  // The field of that form of the running transaction, parsed the same way; form and field must exist.
  virtual int getInt(const std::string& fieldId, const std::string& formId);
  // The field's linesPerDisplay; error windows and TransactionLogicException for a missing id, a field that
  // is neither pop-up nor multiple, or a value that is no integer.
  virtual int getLinesPerDisplay(const std::optional<std::string>& fieldId);
  // Reads the "transfer" parameters and, when transfer / self is "yes", assignDefaultLocation with the
  // value of the field "to_whse". The first two arguments are not used.
  virtual void getLocations(const std::string& unused1, const std::string& unused2,
                            const std::string& stockLocationFlag, const std::string& item,
                            const std::string& locationFieldId, const std::string& sortOrder);
  // The entry below the top of the stack; nullptr at level 0 or with fewer than two entries.
  virtual std::shared_ptr<Transaction> getParentTransaction();
  virtual std::optional<std::string> getParentTransactionId();
  // Printer look-ups in the environment's printer_list.xml (read again each time, kept in printerList);
  // nothing when the list cannot be loaded ("Failed to load printer list") or no printer matches. Display
  // names match trimmed and ignoring case.
  virtual std::optional<std::string> getPrinterDescription(const std::string& displayName);
  virtual std::optional<std::vector<std::string>> getPrinterDisplayNames();
  virtual std::optional<std::string> getPrinterNetworkPath(const std::string& displayName);
  virtual std::optional<std::vector<std::string>> getPrinterNetworkPaths();
  // The column of that row of a list result as a number / an integer; -1.0 / -1 without a result. A
  // single-record result, a row outside the list, a missing column or text that is no number throws.
  virtual double getQryDouble(const std::string& queryId, const std::string& column, int row);
  virtual int getQryInt(const std::string& queryId, const std::string& column, int row);
  // -1 without result, 1 for a single record, else the number of rows.
  virtual int getQryRowCount(const std::string& queryId);
  // getQryRowIndex(queryId, "sel_row").
  virtual int getQryRowIndex(const std::string& queryId);
  // -1 when the query has no index table; else the row recorded under the name (which must be recorded).
  virtual int getQryRowIndex(const std::string& queryId, const std::string& indexName);
  // "" without result; a single record: its value for the column ("" when missing); a list: the value in
  // the row selected under "sel_row".
  virtual std::optional<std::string> getQryValue(const std::string& queryId, const std::string& column);
  // "" without result; a single record: its value when row is 0 (none when the column is missing), any
  // other row throws; a list: the value at that row (none when the column is missing), a row outside throws.
  virtual std::optional<std::string> getQryValue(const std::string& queryId, const std::string& column,
                                                 int row);
  // The matching getQryValue trimmed; a missing column throws.
  virtual std::string getQryValueTrimmed(const std::string& queryId, const std::string& column);
  virtual std::string getQryValueTrimmed(const std::string& queryId, const std::string& column, int row);
  // The first row whose trimmed column value is not empty and equals the value; -1 for none (also for a
  // missing or blank query id, and after any failure, which is logged).
  virtual int getRowIndexOfFieldInQuery(const std::optional<std::string>& queryId, const std::string& column,
                                        const std::string& value);
  // The field's selIndex; -1 for no such field or without current form.
  virtual int getSelIndex(const std::string& fieldId);
  // getSharedVariable(variableId) as a text; none stays none; a value of another kind throws.
  virtual std::optional<std::string> getSharedString(const std::string& variableId);
  // The level walk from currentStackLevel down the stack (fallback on).
  virtual SharedValue getSharedVariable(const std::string& variableId);
  // The level walk from the entry of the named transaction (the top of the stack without one).
  virtual SharedValue getSharedVariable(const std::string& variableId,
                                        const std::optional<std::string>& transactionId, Flag fallback);
  // The current field's skip behaviour (none without one) / that field's (which must exist).
  virtual std::optional<std::string> getSkipBehavior();
  virtual std::string getSkipBehavior(const std::string& fieldId);
  // The current field's bSkipDataInput (false without one) / that field's (which must exist).
  virtual bool getSkipDataInput();
  virtual bool getSkipDataInput(const std::string& fieldId);
  // The current field's value; none without current field.
  virtual std::optional<std::string> getValue();
  // The field's value in the current form; "" for no such field or without current form.
  virtual std::string getValue(const std::string& fieldId);
  // The field of that form of the running transaction; a missing form or field shows the error window
  // "invalid access to fieldid : " + field id and throws.
  virtual std::string getValue(const std::string& fieldId, const std::string& formId);
  // The matching getValue, trimmed; the form without arguments throws without current field.
  virtual std::string getValueTrimmed();
  virtual std::string getValueTrimmed(const std::string& fieldId);
  virtual std::string getValueTrimmed(const std::string& fieldId, const std::string& formId);
  // The running processor's formExitComplete.
  virtual bool isFormExitCompleted();
  // Form flags of the current field / of that field; false without current field (first), without id
  // (second) or without current form.
  virtual bool isReadOnly();
  virtual bool isReadOnly(const std::optional<std::string>& fieldId);
  virtual bool isRetain();
  virtual bool isRetain(const std::string& fieldId);
  virtual bool isVisible();
  virtual bool isVisible(const std::optional<std::string>& fieldId);
  // Fills the four parameter copies from the instance's parameters; the first one that is not yes/no ends
  // the operation (logged " Projects in Use Parameter not present ").
  virtual void loadParams();
  // Runs the transaction of that id nested in this one and returns when it ends; never passes a failure
  // on (logged). With base parameter ids the nested transaction reads the caller's parameter files below
  // those groups.
  virtual void popupTransaction(const std::string& transactionId,
                                const std::optional<std::vector<std::string>>& baseParamIds);
  void popupTransaction(const std::string& transactionId) { popupTransaction(transactionId, std::nullopt); }
  // Draws the current form again / that field (nothing without current form or field).
  void refresh() override;
  virtual void refresh(const std::string& fieldId);
  // A plain-text mail through the mail parameters (email / self, smtp_host, username, password,
  // from_address), with a blind copy to the sender. False when mail is off or the send failed (logged).
  virtual bool sendMail(const std::string& subject, const std::string& body, const std::string& recipient);
  // The same with attachments: one file path (named by the path as given), files (named by their own
  // names) or paths (named by the paths as given).
  virtual bool sendMailWithAttachment(const std::string& subject, const std::string& body,
                                      const std::string& recipient, const std::string& attachment);
  virtual bool sendMailWithAttachment(const std::string& subject, const std::string& body,
                                      const std::string& recipient,
                                      const std::vector<std::filesystem::path>& files);
  virtual bool sendMailWithAttachment(const std::string& subject, const std::string& body,
                                      const std::string& recipient, const std::vector<std::string>& paths);
  // The field's value becomes the text as given / "Y" or "N"; the current field's value "Y" or "N".
  virtual void setBooleanValue(const std::string& fieldId, const std::string& text);
  virtual void setBooleanValue(const std::string& fieldId, Flag flag);
  virtual void setBooleanValue(Flag flag);
  // The processor's current field becomes that field of the current form.
  virtual void setCurrentField(const std::string& fieldId);
  virtual void setCurrentForm(Form* form);
  // The stack becomes just this transaction at level 0; the processor's and the session memory's current
  // transaction.
  virtual void setCurrentTransaction(std::shared_ptr<Transaction> transaction);
  // Visible (flag) and read-only.
  virtual void setDisplayable(const std::optional<std::string>& fieldId, Flag flag);
  // The query "get_default_loc" (item, warehouse) under "def_loc_info"; the field gets its "tdilc007.loca".
  // Every failure is ignored.
  virtual void setFixedLocation(const std::string& warehouse, const std::string& item,
                                const std::string& locationFieldId);
  // Visible and editable (true) or hidden and read-only (false); nothing without id or current form.
  virtual void setInputable(const std::optional<std::string>& fieldId, Flag flag);
  // The same two steps without the guard.
  virtual void setInputtable(const std::optional<std::string>& fieldId, Flag flag);
  // The field's label (and message, when the message list has one of the same id) from the screen texts.
  virtual void setLabelMessageById(const std::string& fieldId, const std::string& textId);
  // The field's linesPerDisplay as given; errors as getLinesPerDisplay.
  virtual void setLinesPerDisplay(const std::optional<std::string>& fieldId, const std::string& text);
  // The processor's next field: that field of the current form (nullptr when missing).
  void setNextField(const std::string& fieldId) override;
  virtual void setNextForm(Form* form);
  // The running transaction's form of that id (nullptr when none).
  virtual void setNextForm(const std::string& formId);
  virtual void setPreviousForm(Form* form);
  // setQryRowIndex(queryId, "sel_row", row).
  virtual void setQryRowIndex(const std::string& queryId, int row);
  // Records the row under the index name, then updateSqlSharedVariableMaps(queryId, indexName).
  virtual void setQryRowIndex(const std::string& queryId, const std::string& indexName, int row);
  // Form flags of that field (nothing without id or current form) / of the current field (which must be).
  virtual void setReadOnly(const std::optional<std::string>& fieldId, Flag flag);
  virtual void setReadOnly(Flag flag);
  // Only while there is a current field and a current form.
  virtual void setRetain(const std::string& fieldId, Flag flag);
  virtual void setRetain(Flag flag);
  // The value under the id in the running transaction's shared variables (an existing variable keeps its
  // source and destinations).
  virtual void setSharedVariable(const std::string& variableId, SharedValue value);
  // The current field's skip behaviour / that field's (which must exist).
  virtual void setSkipBehavior(const std::string& behavior);
  void setSkipBehavior(const std::string& fieldId, const std::string& behavior) override;
  // That field's bSkipDataInput (which must exist) / the current field's.
  void setSkipDataInput(const std::string& fieldId, bool skip) override;
  template <class T>
  requires(!std::same_as<T, bool>) void setSkipDataInput(const std::string& fieldId,
                                                         T skip) = delete;  // only a bool is a flag
  virtual void setSkipDataInput(Flag flag);
  // The current form's title (TransactionLogicException without current form) / from the label list
  // (window "Title Label missing" when it has no such label).
  virtual void setTitle(const std::string& text);
  virtual void setTitleById(const std::string& labelId);
  // The current field's value.
  virtual void setValue(const std::string& value);
  // The field's value in the current form (no such field: nothing).
  void setValue(const std::string& fieldId, const std::string& value) override;
  // The field of that form of the running transaction; failures are logged, not passed on.
  virtual void setValue(const std::string& fieldId, const std::string& formId, const std::string& value);
  // The field's list values / and the values returned for the list lines.
  virtual void setValue(const std::string& fieldId, const std::vector<std::string>& values);
  virtual void setValue(const std::string& fieldId, const std::vector<std::string>& values,
                        const std::vector<std::string>& lineValues);
  // The current field's list values.
  virtual void setValue(const std::vector<std::string>& values);
  // Shows or hides that field (nothing without id or current form) / the current field.
  virtual void setVisible(const std::optional<std::string>& fieldId, Flag flag);
  virtual void setVisible(Flag flag);
  // Orders the query's list of records by the columns, each read as the type named for it (a number type
  // name or a text type name, see NUMBER_TYPE_NAMES / TEXT_TYPE_NAMES); equal rows keep their order. An
  // unknown type name or a number column holding text that is no number throws and changes nothing.
  virtual void sortQryResults(const std::string& queryId, const std::vector<std::string>& columns,
                              const std::vector<std::string>& typeNames);
  // Splits the value at its first blank into the two fields (nothing when it has none), then refresh().
  virtual void splitBarCode(const std::string& value, const std::string& firstFieldId,
                            const std::string& secondFieldId);
  // Binds the instance to the processor's state and the service registry.
  void update(TransactionProcessor& processor) override;
  // updateSqlSharedVariableMaps(queryId, none).
  virtual void updateSqlSharedVariableMaps(const std::string& queryId);
  // Copies values of the query's result into form fields as the running transaction's shared variables of
  // source type "sql" and that source id prescribe.
  virtual void updateSqlSharedVariableMaps(const std::optional<std::string>& queryId,
                                           const std::optional<std::string>& indexName);

  // --- fields
  // ------------------------------------------------------------------------------------------------- Not
  // owned: the transaction owns this instance (its processing object).
  Transaction* curTrans = nullptr;
  Form* curForm = nullptr;
  Field* curField = nullptr;
  TerminalEmulator* emulator = nullptr;
  std::shared_ptr<UserData> userData;
  RequestHandler* requestHandler = nullptr;
  std::shared_ptr<ParamManager> paramManager;
  TransactionLogicException logicException;
  PrintBarCodeLabels* barCodeLabels = nullptr;
  std::string labelFilesPath;
  std::optional<printer::PrinterListType> printerList;
  bool supp_lot_equal_baan_lot = false;
  bool lot_has_multiple_dates = false;
  bool user_input_lot_date = false;
  bool project_in_use = true;
  // The processor of the last update: the one that runs this instance's transaction.
  TransactionProcessor* curProcessor = nullptr;

 protected:
  // The terminal of the last update; throws TransactionLogicException without one.
  TerminalEmulator& terminal();
  // The processor of the last update; throws TransactionLogicException without one.
  TransactionProcessor& processor();
  // The running transaction; throws TransactionLogicException without one.
  Transaction& transaction();
  // That field of the current form; throws TransactionLogicException when it has none.
  Field& existingField(const std::string& fieldId);
  // The standard error window (when there is a terminal), then a copy of logicException.
  [[noreturn]] void failWithWindow(const std::string& message);

 private:
  // The level walk of shared variables from a stack level.
  SharedValue getSharedVariableAtLevel(const std::string& variableId, int level, bool fallback);
  // The consolidation list of a location field.
  void setLocationConsolidate(const std::string& warehouse, const std::string& item,
                              const std::string& locationFieldId, const std::string& sortOrder);
  // The email parameters, or nothing when mail is switched off; throws for parameters that cannot be read.
  struct MailSettings;
  std::optional<MailSettings> readMailSettings();
  bool sendWithAttachments(const std::string& subject, const std::string& body, const std::string& recipient,
                           const std::optional<std::vector<MailAttachment>>& attachments);
  // Loads the printer list into printerList; false (logged) when it cannot be loaded.
  bool loadPrinterList();
  // The list-property checks of getLinesPerDisplay / setLinesPerDisplay.
  Field& listField(const std::optional<std::string>& fieldId);
};

}  // namespace tev
