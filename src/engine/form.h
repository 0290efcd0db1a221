// Form: one screen of a transaction: an ordered list of fields with the form's identity, its kind and the
// field the cursor is on.
//
// The definition reader builds every form (addField, then appendGeneratedLines for the title lines of
// "standard" and "introduction" forms); the transaction processor draws it, walks its fields in order and
// asks it for the next, previous and last input field; the transaction base class reads and sets field
// values and flags through it by field id. Field ids are compared exactly. An id that names no field is no
// error: getters give a neutral value, setters do nothing.
//
// Ownership: the form owns its fields; Field pointers handed out stay valid as long as the form lives (the
// field list is fixed once the reader has built it; drawing rewrites the fields' rows and columns but never
// adds or removes fields). Navigation compares fields by identity. The form holds no terminal: every drawing
// operation is handed the terminal to draw on. The terminal redraws it through FormView after a message
// window or a broadcast.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "terminal/terminal_host.h"

namespace tev {

class DeviceInfo;
class Field;
class SQLStatement;
class TerminalEmulator;
class Transaction;

class Form : public FormView {
 public:
  // The text of the company line when the label "standard_comp_name" is missing or blank.
  static inline const std::string COMP_NAME = "QUILLANBURY";
  static inline const std::string DASHES = "-----------------";
  static inline const std::string ESC_EXIT = "           ESC EXIT";
  // The id of every generated line.
  static inline const std::string TITLE_ID = "title";

  Form();
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // --- data -----------------------------------------------------------------------------------------------
  std::string id;
  std::string type;  // "form", "standard" or "introduction"
  std::vector<std::unique_ptr<Field>> fieldsVector;
  std::vector<std::string> fieldEnter;
  std::vector<std::string> fieldExit;
  Field* currentField = nullptr;
  std::map<std::string, std::shared_ptr<SQLStatement>> sqlStatements;
  log::Logger logger;

  // --- building (the definition reader) -----------------------------------------------------------------
  // Appends the field and returns it.
  Field& addField(std::unique_ptr<Field> field);
  // Appends the generated lines of the form's type, all with id "title" and "read_only": nothing for
  // "form" (or any other type); for "standard" the title line (row "1", col "0", centred, underlined), the
  // dashes on row 14 and "           ESC EXIT" on row 15; for "introduction" the company line (row "1",
  // centred; COMP_NAME when the text is none or blank), the title line on row "2", the dashes on rows 3 and
  // 14 and "           ESC EXIT" on row 15. A title of none gives a line without label.
  void appendGeneratedLines(const std::optional<std::string>& transactionTitle,
                            const std::optional<std::string>& companyName);

  // --- drawing --------------------------------------------------------------------------------------------
  // Clears the terminal and draws every field at its own position.
  void display(TerminalEmulator& terminal) override;
  // Clears the terminal; without reflow as above. With reflow the fields are laid out anew for the screen
  // (the device info's rows and columns; 16 x 20 without one): from the top (drawDisplay), or around the
  // current field when it lies on row rows - 3 or below, or on a row that is no number (drawDisplayByField).
  virtual void display(TerminalEmulator& terminal, bool reflow, const DeviceInfo* deviceInfo, Field* current);
  // Lays all fields out from the top, writes each field's new row and column back into it and draws it.
  virtual void drawDisplay(int rows, int columns, TerminalEmulator& terminal);
  // Shows the part of the form around the current field: the current field on row rows - 3, a first
  // "title" field on row 1, a last "seperator2" field on row rows - 2 and the fields before the current one
  // upwards from row rows - 4 to row 2.
  virtual void drawDisplayByField(int rows, int columns, TerminalEmulator& terminal, Field* current);

  // --- navigation -----------------------------------------------------------------------------------------
  virtual Field* getCurrentField() const;
  virtual void setCurrentField(Field* field);
  // The first field with that id; nullptr when none has it.
  virtual Field* getField(const std::string& fieldId) const;
  // The field to put the cursor on after a failed back-end call: nullptr unless the transaction's status is
  // AFTER_PROCESSING_ERROR and its bAutoPositionCursor is set; then the field whose fserver_input_index is
  // the function-server error code (trimmed), or the last input field when the code is no integer or no
  // field has that position.
  virtual Field* getFieldPosForError(const Transaction& transaction) const;
  // The field of that position (fserver_input_index), else getLastInputField().
  virtual Field* getFieldByPos(int position) const;
  // Index of the first field with the same id; the number of fields when none has it.
  virtual int getIndexOf(const Field& field) const;
  // The last field that is not read-only; nullptr when there is none.
  virtual Field* getLastInputField() const;
  // The next field after the current one (nullptr: from the start) that is not read-only; nullptr when the
  // current field is the last of the list or no such field follows.
  virtual Field* getNextField(const Field* current) const;
  // The same; with includeReadOnly simply the next field of the list.
  virtual Field* getNextField(const Field* current, bool includeReadOnly) const;
  // The nearest earlier field that is not read-only; nullptr without a current field, when the current
  // field has the first field's id (trimmed), or when every earlier field is read-only. A field that is not
  // in the list gives the first field.
  virtual Field* getPreviousField(const Field* current) const;
  // The field has the id of getLastInputField().
  virtual bool isLastField(const Field& field) const;

  // --- the form and its fields by id
  // ------------------------------------------------------------------------ The query of that id; nullptr
  // when none.
  virtual SQLStatement* getSQL(const std::string& queryId) const;
  // With AFTER_SUCCESSFUL_COMPLETION every field not marked retain gets the value ""; any other status
  // changes nothing.
  virtual void initialize(int transactionStatus);
  // Every field is read-only (an empty form is).
  virtual bool isReadOnly() const;
  virtual bool isReadOnly(const std::string& fieldId) const;
  virtual bool isRetain(const std::string& fieldId) const;
  // type is "standard".
  virtual bool isStandardTypeForm() const;
  virtual bool isVisible(const std::string& fieldId) const;
  // The field's selIndex; -1 when no such field.
  virtual int getFieldSelIndexValue(const std::string& fieldId) const;
  // The field's value; "" when no such field.
  virtual std::string getFieldValue(const std::string& fieldId) const;
  virtual void setFieldValue(const std::string& fieldId, const std::string& value);
  virtual void setFieldValue(const std::string& fieldId, const std::vector<std::string>& values);
  virtual void setFieldValue(const std::string& fieldId, const std::vector<std::string>& values,
                             const std::vector<std::string>& lineValues);
  virtual void setReadOnly(const std::string& fieldId, bool readOnly);
  virtual void setRetain(const std::string& fieldId, bool retain);
  // The field on row "1" takes the title as its label; without one a title line (id "title", row "1", col
  // "1", "read_only", "center", "underline") is appended. The flag is not used. A form without fields throws
  // tev::Error.
  virtual void setTitle(const std::string& title, bool flag);
  virtual void setVisible(const std::string& fieldId, bool visible, TerminalEmulator& terminal);

 private:
  int indexOfIdentity(const Field* field) const;
};

}  // namespace tev
