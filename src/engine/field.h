// Field: one input or display item of a form: a label and a value at a screen position, a data type from
// the ERP field dictionary and a list of property words that decide how it is drawn and whether input stops
// on it.
//
// The definition reader creates a plain Field, fills its data, and turns it into one of the three kinds by
// copying it (copyValues): SingleField (one value typed or scanned), PopupField (a value picked from a list)
// or MultipleField (a list of values over several lines). The transaction processor calls readInput,
// validate, transform, display and showList for the current field; the transaction base class reads and
// sets values and flags.
//
// The data is public, in the names the rest of the engine uses; the property words live in
// fieldAttrVector and are read and written through the flag operations. A field holds no terminal: every
// drawing and reading operation is handed the terminal to use. Rows and columns are 1-based decimal texts;
// an operation that needs them as numbers throws NumberFormatError for a text that is no number.
//
// Fields are owned by their form; copies are made only explicitly (copyValues).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/baan_field_def.h"
#include "engine/sql_link.h"

namespace tev {

class Form;
class TerminalEmulator;

class Field {
 public:
  // Property words.
  static inline const std::string READ_ONLY = "read_only";
  static inline const std::string INVISIBLE = "invisible";
  static inline const std::string MANDATORY = "mandatory";
  static inline const std::string MASKED = "masked";
  static inline const std::string RETAIN = "retain";
  static inline const std::string CENTER = "center";
  static inline const std::string FIXED = "fixed";
  static inline const std::string BOLD = "bold";
  static inline const std::string UNDERLINE = "underline";
  static inline const std::string REVERSE = "reverse";
  static inline const std::string BLINK = "blink";
  static inline const std::string DONT_ASSIGN_POPUP_VALUE = "dont_assign_popup_value";
  // The logger of fields and forms.
  static inline const std::string LOGGER_NAME = "tev.framework.application.UILogger";

  Field();
  virtual ~Field();
  Field(const Field&) = delete;
  Field& operator=(const Field&) = delete;

  // --- data -----------------------------------------------------------------------------------------------
  std::string id;
  std::string dataType;
  // Drawn before the value; none (as opposed to "") ends the drawing after the label.
  std::optional<std::string> label = "";
  // Shown on the status line while the field is read; none leaves the status line as it is.
  std::optional<std::string> message = "";
  std::string row;
  std::string col;
  std::string type;  // "single", "popup" or "multiple"
  std::string value;
  std::vector<std::string> values;
  std::string linesPerDisplay = "1";
  std::string noOfDataColumns = "1";
  std::vector<std::string> fieldAttrVector;
  std::vector<std::string> lineValues;
  std::string center;
  std::string dataLength;
  std::string skipBehavior = "never";  // "never", "always" or "on_no_error"
  int fserver_input_index = -1;
  std::optional<BaanFieldDef> typeInfo;
  std::vector<std::string> fieldEnter;
  std::vector<std::string> fieldExit;
  int selIndex = -1;
  std::map<std::string, SqlLink> sqlStatements;
  log::Logger logger;
  bool bSkipDataInput = false;
  // The last input was empty (Enter alone); read it through receivedEnterKeyOnly().
  bool bReceivedEnterKeyOnly = false;

  // --- operations ---------------------------------------------------------------------------------------
  // False when the field carries "dont_assign_popup_value".
  virtual bool canAssignPopupValue() const;
  // Takes over id, dataType, label, message, row, col, type, value, values, typeInfo, linesPerDisplay,
  // noOfDataColumns, dataLength and fserver_input_index, and copies of the property words, fieldEnter and
  // fieldExit. Everything else keeps its initial value.
  virtual void copyValues(const Field& other);
  // Draws label and value (nothing when invisible).
  virtual void display(TerminalEmulator& terminal);
  // The value as a quantity in the installation's decimal format (FieldServices); a value that is no
  // number is returned as it is.
  virtual std::string formatDoubleString(const std::string& value) const;
  // dataLength as a decimal number; 0 when it is none.
  virtual int getDataLength() const;
  // The pick-list titles: the first word that begins with "title1" ("title2") and is longer than 7
  // characters, from its eighth character on; nothing when there is none.
  virtual std::optional<std::string> getPopupTitle1() const;
  virtual std::optional<std::string> getPopupTitle2() const;
  // The query link of that id; nullptr when none.
  virtual const SqlLink* getSQL(const std::string& queryId) const;
  // Blanks the field on the screen (as many blanks as label and value have characters, at row and col)
  // and empties the value.
  virtual void invisible(TerminalEmulator& terminal);
  virtual bool isBlink() const;
  virtual bool isBold() const;
  virtual bool isCenter() const;
  // row is "1".
  virtual bool isFirstField() const;
  virtual bool isFixed() const;
  virtual bool isMandatory() const;
  virtual bool isMasked() const;
  virtual bool isReadOnly() const;
  virtual bool isRetain() const;
  virtual bool isReverse() const;
  virtual bool isUnderline() const;
  // True unless the field carries "invisible".
  virtual bool isVisible() const;
  // Reads the field from the terminal and returns the key (chunk) that ended it. An empty input keeps the
  // value and sets receivedEnterKeyOnly. A masked field switches the terminal to masked echo (the caller
  // switches it off). The form is not used by the plain kinds.
  virtual std::string readInput(TerminalEmulator& terminal, Form& form);
  virtual bool receivedEnterKeyOnly() const;
  virtual void setMandatory(bool mandatory);
  virtual void setMasked(bool masked);
  virtual void setReadOnly(bool readOnly);
  virtual void setRetain(bool retain);
  // Hiding a visible field adds "invisible" and "read_only" and blanks it on the terminal; showing removes
  // "invisible" only.
  virtual void setVisible(bool visible, TerminalEmulator& terminal);
  // The pick list of a PopupField; a plain field returns "".
  virtual std::string showList(TerminalEmulator& terminal, Form& form);
  // The value becomes the dictionary entry's transformation of it; without an entry throws tev::Error
  // ("Baan Field Object is not created").
  virtual void transform();
  // Cuts the value at its first blank.
  virtual void truncateField();
  // Trims the value, applies the length limit, the prefixes, the mandatory rule and the dictionary's check.
  // False means a message was shown on the terminal and the cursor is to stay on the field.
  virtual bool validate(TerminalEmulator& terminal);

  // --- property words -------------------------------------------------------------------------------------
  bool hasProperty(const std::string& word) const;
  // true adds the word when missing; false removes it.
  void setProperty(const std::string& word, bool present);

 protected:
  // The column of the label: col, plus half of (20 - label length, at least 0) for a centred field.
  int labelColumn() const;
  // Characters of the label (0 without one).
  int labelLength() const;
  // Decimal formatting is on and the dictionary type is "quan".
  bool isFormattedQuantity() const;
};

}  // namespace tev
