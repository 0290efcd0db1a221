// TransactionProcessor: the state machine that runs one transaction on the scanner.
//
// It walks the transaction's forms (form-enter handler, drawing, the field loop, form-exit handler, next
// form) and each form's fields (field-enter handler, terminal input, the scan split over several fields,
// control keys, validation, transformation and redrawing, field-exit handler), and calls the handlers of the
// transaction's processing object by name: form id + "_form_enter" / "_form_exit" / "_form_escape" /
// "_form_f2key" / "_form_reset_form" / "_form_f5key" ...; form id + "_" + field id + "_field_enter" /
// "_field_exit" / "_field_popup" / "_field_f6" / "_field_reset_form"; form id + "_clean" on escape (only the
// class's own). Handlers are found through the transaction's class registry (ClassRegistry::findHandler).
// A missing handler is logged and skipped; a failing handler (any error it lets escape) is logged and the
// cursor stays on its field or form, or goes back to the previous field or form after a failing enter
// handler. Only SkipException is navigation: business code (and the processor itself, for escape and the
// function keys) throws it with a skip key that handleFormControlChar interprets.
//
// Business code steers the processor by writing its public navigation state (nextForm, nextField, ...)
// through the processing object, which the processor binds to itself before every handler call
// (ProcessorHooks::update). A set nextForm or nextField overrides the normal order once.
//
// A first-level processor runs for the whole session and moves between the login, the menu and the selected
// transaction by changing currentTransaction; processForm never returns normally (escape on the form
// "welcome" or "change_password" ends the process through tev::exitProcess(0)). A nested processor runs one
// nested transaction; the skip keys "EXIT TRANS" and "EXIT MENU" leave it by SkipException out of
// processForm. Errors raised by the processor's own steps (reading, validation, drawing, a processing object
// that cannot be created) leave processForm; so does a transaction that would cycle through its forms without
// end (a whole round that neither read a field nor called a handler).
//
// Single-threaded: used from the process's main thread only.
#pragma once

#include <memory>
#include <string>

#include "common/log.h"
#include "engine/class_registry.h"

namespace tev {

class EmulatorSettings;
class Field;
class Form;
class ProcessingObject;
class ProcessorHooks;
class TerminalEmulator;
class TevMemoryVariables;
class Transaction;

class TransactionProcessor {
 public:
  static inline const std::string LOGGER_NAME = "tev.framework.application.TransactionProcessorLogger";
  // The skip keys business code raises (the others are key codes of the settings).
  static inline const std::string SKIP_FORM = "FORM";
  static inline const std::string SKIP_EXIT_TRANS = "EXIT TRANS";
  static inline const std::string SKIP_EXIT_MENU = "EXIT MENU";

  // A first-level processor: takes the current transaction, forms and fields (current, next and previous
  // of each) from the session memory. The memory, the settings and the terminal must outlive it.
  TransactionProcessor(TevMemoryVariables& tevMemory, const EmulatorSettings& settings,
                       TerminalEmulator& emulator);
  // With firstLevel false: a nested processor, which takes only the current transaction from the memory.
  TransactionProcessor(TevMemoryVariables& tevMemory, const EmulatorSettings& settings,
                       TerminalEmulator& emulator, bool firstLevel);
  virtual ~TransactionProcessor();
  TransactionProcessor(const TransactionProcessor&) = delete;
  TransactionProcessor& operator=(const TransactionProcessor&) = delete;

  // Runs the current transaction until an exception leaves it. Throws tev::Error when there is no current
  // transaction or it has no form.
  virtual void processForm();
  // The last form-exit, F2, F3 or function-key handler succeeded (see the handler wrappers).
  virtual bool isFormExitCompleted() const { return formExitComplete; }

  bool isFirstLevel() const { return bFirstLevel; }
  TevMemoryVariables& getTevMemory() const { return tevMemory; }
  const EmulatorSettings& getSettings() const { return settings; }
  TerminalEmulator& getEmulator() const { return emulator; }

  // --- navigation state (business code writes it through its processing object) ----------------------------
  std::shared_ptr<Transaction> currentTransaction;
  Form* currentForm = nullptr;
  Form* nextForm = nullptr;
  Form* previousForm = nullptr;
  Field* currentField = nullptr;
  Field* nextField = nullptr;
  Field* previousField = nullptr;

 protected:
  // Thrown by executeMethod when no level of the class declares the handler.
  class NoSuchHandler : public Error {
   public:
    using Error::Error;
  };

  // Binds the processing object (ProcessorHooks::update), looks the handler up and calls it; true when it
  // was called. Throws NoSuchHandler when there is none; the handler's own failures pass through.
  virtual bool executeMethod(const std::string& name);
  // Only binds the processing object.
  virtual void executeloadTransParamsMethod();
  virtual void handleFieldEnter();
  virtual void handleFieldExit();
  virtual void handleFieldF2Key();
  virtual void handleFieldF4Key();
  virtual void handleFieldF6Key();
  virtual void handleFormControlChar(const std::string& skipKey);
  virtual void handleFormEnter();
  virtual void handleFormEscape();
  virtual void handleFormExit();
  virtual void handleFormF2();
  virtual void handleFormF3();
  // keyText: "f5", "f7" ... "f11".
  virtual void handleFormFunctionKey(const std::string& keyText);
  virtual void processControlCharacter(const std::string& key);
  virtual void processCurrentFormInput();
  virtual void resetSkipInput(Field* start, bool all);
  virtual void splitBarcodeFields();
  // Draws the current form: laid out anew for the screen (reflow, around the field the cursor goes to) when
  // the terminal's device type has a screen size other than 16 x 20, else every field at its own position.
  void drawCurrentForm(Field* cursorField);

  TevMemoryVariables& tevMemory;
  const EmulatorSettings& settings;
  TerminalEmulator& emulator;
  log::Logger logger;
  log::Logger processLogger;

  std::string cls;                     // class name of the processing object
  ProcessingObject* clsObj = nullptr;  // owned by the current transaction
  FoundHandler mainMethod;             // the handler found by the last look-up

  bool formExitComplete = true;
  bool bPerformFormInitialization = true;
  bool bFirstLevel = true;
  bool bSkipFormEnter = false;
  bool bSkipFormExit = false;
  bool bSkipFieldEnter = false;
  bool bSkipFieldExit = false;

 private:
  // What a handler call came to.
  enum class Outcome { kCalled, kMissing, kFailed };
  // Logs "Firing trigger: <name>" and runs executeMethod; a failure is logged with `failure` and the error.
  // A SkipException from the handler passes through unless catchSkip is set (then it counts as a failure,
  // logged with skipFailure when that is not empty).
  Outcome fire(const std::string& name, const std::string& failure, bool catchSkip = false,
               const std::string& skipFailure = "");
  ProcessorHooks& hooks();
  // The pick list of F4 / F6 (after the handler, or without one).
  void handlePickList(const std::string& handlerSuffix, const std::string& keyName);
  void keepCursorOnField();
  // Re-enters the current form without running its enter handler: used by F2, F3 and the function keys.
  void reenterForm(bool allSkipFlags, bool keepFormState);
  void clearFormAndFieldState();
  // The field, or nullptr when it is not one of the current form's fields.
  Field* ownField(Field* field) const;
  std::string currentFormId() const;
  std::string currentFieldId() const;
  // A skip key from the settings matches only when it is set.
  static bool isKey(const std::string& key, const std::string& code);
  // Switches to the transaction stored under the id (keeps the current one when the memory has none).
  void switchTransaction(const std::string& transactionId);
  void takeProcessingObject();

  // Set while the scan split wants the cursor kept on the scanned field (a layout it cannot apply).
  bool splitKeepsCursor = false;
  // Set when this (nested) processor raises the SkipException that leaves it.
  bool leavingNested = false;
  // A field was read or a handler called since the transaction last started again at its first form.
  bool inputSinceFirstForm = true;
};

}  // namespace tev
