// FServerStatement: one function-server call of a transaction definition (its `fserver` element): the ERP
// function server, the function and the ordered arguments a call must supply, each with its dictionary entry
// and its control arguments (FServerField). The definition reader fills it; the back-end gateway reads it to
// build the function string of a call (one value per argument, in order) and the other request bodies.
//
// Invariant kept by addArgument: functionArguments and fieldIds have one entry per argument, in order, and
// fieldsHash holds an FServerField under every id of fieldIds whose fieldNo is that id's position (when an id
// occurs twice, the table keeps the later one). noOfParams is the definition's own count and is sent as
// written; nothing checks it against the arguments.
//
// The statement holds no connection and sends nothing: getFunctionString builds the text of a call, the
// request handler sends it.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "config/baan_field_def.h"

namespace tev {

// The parameter backend_user_prefix, asked only for the arguments "user" and "loginCode". A tev::Error it
// throws is logged and counts as no prefix; an empty function means no prefix.
using BackendUserPrefix = std::function<std::string()>;

// A function string that cannot be built (wrong number of values, a value that is too long). The message is
// the text the request handler reports as a driver failure; the window lines are what the operator is shown.
class FunctionStringError : public Error {
 public:
  FunctionStringError(const std::string& message, std::string windowMessage, std::string windowFooter)
      : Error(message), windowMessage_(std::move(windowMessage)), windowFooter_(std::move(windowFooter)) {}
  const std::string& windowMessage() const { return windowMessage_; }
  const std::string& windowFooter() const { return windowFooter_; }

 private:
  std::string windowMessage_;
  std::string windowFooter_;
};

// One argument of a function-server call.
class FServerField {
 public:
  // Dictionary data types sent as the ERP system's yes/no enumeration.
  static inline const std::string YES_NO = "yes_no";
  static inline const std::string YESNO = "yesno";
  static inline const std::string LN_YESNO = "ln_yesno";

  FServerField(std::string id, int fieldNo, std::map<std::string, std::string> controlFieldFlags,
               std::optional<BaanFieldDef> baanField);

  // The argument id: the name of the screen field or value it carries.
  std::string id;
  // Position among the statement's arguments, from 0.
  int fieldNo = 0;
  // Control-argument id -> its send-if-empty text as written. The argument carries its value only when one
  // of its control arguments enables it (the gateway applies the rule); iteration is in id order.
  std::map<std::string, std::string> controlFieldFlags;
  // The dictionary entry; nothing when the dictionary had none.
  std::optional<BaanFieldDef> baanField;

  // Adds or replaces a control argument.
  void addControlField(const std::string& controlId, const std::string& sendIfEmptyText);
  // The ids of the control arguments, in id order.
  std::vector<std::string> getControlFieldNames() const;
  // True when the send-if-empty text stored for the control argument starts with "Y" after upper-casing
  // ("yes", "Yes", "Y"); false for any other text and for an id without entry.
  bool sendIfEmpty(const std::string& controlId) const;
  // A yes/no argument ("yes_no" or "yesno") is empty when its value means no; any other argument (an
  // "ln_yesno" one included) when the value is blank after trimming.
  bool isEmpty(const std::string& value) const;
  // The entry's data type is "yes_no" or "yesno".
  bool isBaanYesNo() const;
  // The entry's data type is "ln_yesno".
  bool isLnYesNo() const;

  // The value sent for this argument: the yes/no enumeration for a yes/no argument ("1"/"2", or for
  // "ln_yesno" "yes"/"no"/""), otherwise the entry's letter case applied (length and alignment are not),
  // without an entry the value as it is. The arguments "user" and "loginCode" (not yes/no ones) get the
  // backend_user_prefix in front.
  std::string transformValue(const std::string& value, const BackendUserPrefix& userPrefix = {}) const;

  // "1" when the upper-cased value starts with "Y" or contains "TRUE" or "1"; otherwise "2".
  static std::string getBaanYesNo(const std::string& value);
  // "" for a value blank after trimming; otherwise "yes" under the test of getBaanYesNo, else "no".
  static std::string getLnYesNo(const std::string& value);

  // For logs: "id: qty, fieldNo: 3, controlFields: {a=yes, b=}, baanField: " and the entry's text ("null"
  // without one).
  std::string toString() const;
};

class FServerStatement {
 public:
  FServerStatement() = default;

  std::string id;
  // The ERP function server and the function, as the definition writes them (not trimmed).
  std::string fserverName;
  std::string function;
  // As written in the definition (0 when it gives none).
  int noOfParams = 0;
  // One dictionary entry per argument, in order (nothing for an argument whose entry, and whose "gen_string"
  // fallback, the dictionary lacks). Its length is the number of values a call must supply.
  std::vector<std::optional<BaanFieldDef>> functionArguments;
  // The argument ids, in order.
  std::vector<std::string> fieldIds;
  // Argument id -> its argument.
  std::map<std::string, FServerField> fieldsHash;

  // Appends one argument at the next position and returns it.
  FServerField& addArgument(const std::string& argumentId, std::optional<BaanFieldDef> entry,
                            std::map<std::string, std::string> controlFieldFlags = {});
  // The argument of that id; nullptr when none.
  const FServerField* getField(const std::string& argumentId) const;

  // The longest value a function string may carry (215, not 255).
  static constexpr std::size_t kMaxValueLength = 215;

  // The value sent for the argument at that position, with its control arguments applied: an argument
  // without control arguments carries its input; one with control arguments carries its input when one of
  // them enables it, otherwise the transformed empty text. A control argument enables when its
  // send-if-empty flag is set and its own value is empty, or the flag is not set and its value is not
  // empty (a control id that names no argument of the statement never enables). values must hold one value
  // per argument; a position outside them throws IndexOutOfRange.
  std::string getArgumentValue(std::size_t position, const std::vector<std::string>& values,
                               const BackendUserPrefix& userPrefix = {}) const;

  // The function string of a call: noOfParams "," fserverName customerCode "," function, then "," and the
  // value of each argument in order, every "," inside a value replaced by "|". The customer code is used
  // when present and not blank after trimming, and then appended untrimmed. Throws FunctionStringError
  // ("Invalid No.of Arguments") when the number of values differs from the number of arguments, and
  // ("Invalid Input String Length") for a value longer than kMaxValueLength characters.
  std::string getFunctionString(const std::vector<std::string>& values,
                                const std::optional<std::string>& customerCode,
                                const BackendUserPrefix& userPrefix = {}) const;

  // "id: " id ", fserver: " fserverName ", function: " function ", noOfParams: " noOfParams ", Arguments: "
  // and the entries as "[a, b]" ("null" for a missing one).
  std::string toString() const;
};

}  // namespace tev
