// Transaction: one transaction definition brought to life. It holds the forms of the definition in the order
// of the form sequence (which drives all form navigation), the definition's query and function-server
// statements, the results and reply details of the back-end calls made while it runs, its messages, label
// values and shared variables, its bar-code layouts, and the processing object: the one instance of the
// transaction class ("tev.transaction." + id) whose handlers the transaction processor calls by name.
//
// The definition reader builds it (status -1, empty tables, no processing object); the processor, the
// transaction base class and the back-end gateway read and fill its public fields while it runs. Look-ups
// of ids that are not present give nothing; real failures (a class that cannot be created, a missing member
// variable, a missing row index) are thrown as tev::Error.
//
// Ownership: the transaction owns its forms (shared, so a reader or a test can keep a handle) and its
// processing object. Navigation state (forms and fields) is held as plain pointers into the transaction's
// own forms; they stay valid as long as the transaction lives.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/log.h"
#include "config/barcode_manager.h"
#include "engine/processing_object.h"
#include "engine/shared_variable.h"

namespace tev {

class ClassRegistry;
class FServerStatement;
class Field;
class Form;
class ParamManager;
class SQLStatement;

// One record of a query result: column name (the back end's qualified field name) -> text.
using QryRow = std::map<std::string, std::string>;
// A query result: one record (a reply of a single record) or a list of records in reply order.
using QryResult = std::variant<QryRow, std::vector<QryRow>>;
// Index name ("sel_row", ...) -> row number.
using QryIndices = std::map<std::string, int>;

class Transaction {
 public:
  // Values of transactionStatus while the transaction runs (-1 when created).
  static constexpr int VERY_FIRST_TIME = 1;
  static constexpr int AFTER_SUCCESSFUL_COMPLETION = 2;
  static constexpr int AFTER_PROCESSING_ERROR = 3;
  // The index name of the row the operator chose.
  static inline const std::string SEL_ROW = "sel_row";

  Transaction();
  virtual ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // --- forms --------------------------------------------------------------------------------------------
  // The form of formsList with that id; nullptr when none has it.
  Form* getForm(const std::string& formId) const;
  // No form given: the first form (nullptr without forms). The last form: nullptr (logged). Otherwise the
  // form after the one with the same id; read-only forms are not passed over. A form that is not in the list
  // gives nullptr.
  Form* getNextForm(const Form* form) const;
  // The first form (or none given): nullptr. Otherwise the form before the one with the same id, passing
  // over read-only forms going back; a form that is not in the list gives the first form.
  Form* getPreviousForm(const Form* form) const;

  // --- the processing object ------------------------------------------------------------------------------
  // Created on first request from the class registry under "tev.transaction." + id, then kept. A class that
  // is not registered or cannot be created throws tev::Error. Never nullptr. Classes come only from the
  // registry filled at start-up; extra places to load classes from (plug-in libraries) are not supported.
  ProcessingObject* getProcessingObject();
  // The registry that creates the processing object and answers handler and member look-ups for it; the
  // process's registry unless a test sets its own (which must outlive the transaction).
  const ClassRegistry& getClassRegistry() const;
  void setClassRegistry(const ClassRegistry* registry) { classRegistry = registry; }
  // The class name of the processing object ("tev.transaction." + id).
  std::string getClassName() const;

  // --- statements, field values, messages ----------------------------------------------------------------
  SQLStatement* getSQL(const std::string& statementId) const;
  FServerStatement* getFServerStatement(const std::string& statementId) const;
  std::string getFieldValue(const Field& field) const;
  // The value read as a decimal number / a decimal integer; a value that is no number throws
  // NumberFormatError.
  double getFieldValueDouble(const Field& field) const;
  int64_t getFieldValueLong(const Field& field) const;
  std::optional<std::string> getMessage(const std::string& key) const;
  void setMessage(const std::string& key, const std::string& text);
  std::optional<std::string> getLabelFieldValue(const std::string& key) const;
  void setLabelFieldValue(const std::string& key, const std::string& text);
  // Whether the current form marks the field read-only; false without a current form.
  bool isReadOnly(const std::string& fieldId) const;

  // --- shared variables ----------------------------------------------------------------------------------
  void setSharedVariable(const std::string& variableId, SharedVariable variable);
  // The variable's set value, or else the value read from its source now (not stored back): a form field
  // (none when ""), a query result (one record, or the row of the index sourceVariableIndex, "sel_row" when
  // that is empty), a member variable of the class itself ("transaction_variable") or of the class or its
  // bases ("program"). None (std::monostate) when the variable, its form, field or result is missing.
  // Throws tev::Error for a missing member variable or a row index that the result's index table lacks.
  SharedValue getSharedVariable(const std::string& variableId);

  // True when the text equals the transaction id.
  bool equals(const std::string& other) const { return other == id; }

  // --- state (read and written by the processor, the base class and the gateway) ---------------------------
  log::Logger logger;
  int transactionStatus = -1;
  std::string id;
  std::optional<std::string> title;
  std::map<std::string, std::string> formSequenceHash;  // form id -> sequence text
  std::vector<std::string> actionsList;
  std::vector<std::shared_ptr<Form>> formsList;

  std::string cls;  // class name of the processing object, once created
  std::unique_ptr<ProcessingObject> instance;

  Form* currentForm = nullptr;
  Form* nextForm = nullptr;
  Form* previousForm = nullptr;
  Field* currentField = nullptr;
  Field* nextField = nullptr;
  Field* previousField = nullptr;

  std::map<std::string, QryResult> qryResults;
  std::map<std::string, QryIndices> qryResultsIndices;
  std::map<std::string, std::shared_ptr<SQLStatement>> sqlStatements;
  std::map<std::string, std::shared_ptr<FServerStatement>> fserverStatements;
  std::string fserverErrorCode;
  std::string fserverMesg;
  std::vector<std::string> fserverMesgFields;
  std::map<std::string, std::string> messages;
  std::map<std::string, std::string> labelFieldValues;
  std::map<std::string, SharedVariable> sharedVariableHash;
  std::shared_ptr<ParamManager> paramManager;
  // Form id -> that form's bar-code layouts; nothing when the transaction has no layout file.
  std::optional<BarcodeManager::BarcodeTable> barcodeHash;
  bool bAutoLoadParameters = false;
  bool bAutoPositionCursor = false;

 private:
  int indexOf(const Form* form) const;
  SharedValue readSource(const SharedVariable& variable);

  const ClassRegistry* classRegistry = nullptr;
};

}  // namespace tev
