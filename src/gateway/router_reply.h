// Reading the ERP router's reply lines. Pure text functions, no connection and no screen, so the request
// handler and its tests and benchmarks share one reading of every reply shape.
//
// A reply line is normalised first (every LF becomes a blank, characters up to U+0020 are trimmed from both
// ends). Everything up to and including its first blank is the router's own prefix and is not interpreted;
// the payload is the text after it (the whole line when there is no blank). A payload that lacks the
// separator of the request kind is a router condition ("~~DOWN", "~~BUSY", ...), not a back-end answer.
//
//   function-server reply   status "," errorNo "," message   (the message keeps its commas)
//   error list              entries separated by FS, each "a,b,text"
//   query reply             status "~" error "~" data
//   log-in reply            status FS code FS message
//   data row                values separated by "~", every empty value kept
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/java_text.h"
#include "engine/transaction.h"

namespace tev::router {

// The request-line and error-list separator, and the data separator.
inline constexpr char FS = '\x1c';
inline constexpr char TILDE = '~';

// The router's own words.
inline constexpr std::string_view DOWN = "~~DOWN";
inline constexpr std::string_view BUSY = "~~BUSY";
inline constexpr std::string_view NOT_FOUND = "~~NOTFOUND";
inline constexpr std::string_view INVALID = "~~INVALID";
inline constexpr std::string_view TIMEOUT = "~~TIMEOUT";

enum class Condition { kDown, kBusy, kNotFound, kInvalid, kTimeout, kOther };

// LF -> blank, then trimmed.
std::string normalizeReply(std::string_view line);
// Where the payload starts: just after the first blank, or 0 without a blank.
std::size_t payloadStart(std::string_view reply);
std::string_view payloadOf(std::string_view reply);

// A router condition payload: "~~DOWN", "~~BUSY", "~~NOTFOUND" and "~~INVALID" compared whole, "~~TIMEOUT"
// searched for; anything else is kOther.
Condition classifyCondition(std::string_view payload);
// The log-in reading: each word searched for in the whole line, in the order DOWN, BUSY, NOTFOUND, INVALID,
// TIMEOUT; nothing when none occurs.
std::optional<Condition> findConditionInLine(std::string_view line);

// --- function-server replies
// --------------------------------------------------------------------------------
struct CodedReply {
  enum class Kind {
    kCoded,      // status, errorNo and message read
    kCondition,  // no comma in the payload: a router condition
    kMalformed,  // a comma, but no second one, or a status or errorNo that is no decimal whole number
  };
  Kind kind = Kind::kMalformed;
  std::string payload;
  std::string statusText;
  std::string errorNoText;
  int status = 0;
  int errorNo = 0;
  std::string message;
};
// Reads a normalised reply line. Both numbers are read strictly (no blanks, an optional sign).
CodedReply parseCodedReply(std::string_view reply);

// The error messages of an error reply's payload: the payload cut at every FS, empty entries skipped, each
// entry's text after its second comma (the whole entry when it has fewer than two commas).
std::vector<std::string> errorMessages(std::string_view payload);

// --- query replies ----------------------------------------------------------------------------------------
struct SqlReply {
  enum class Kind {
    kData,       // status, error and data read
    kCondition,  // a router condition
  };
  Kind kind = Kind::kCondition;
  std::string payload;
  std::string status;
  std::string error;
  std::string data;
};
// Reads a normalised reply line. A payload without "~", or one that starts with "~~" (no status: the
// router's words "~~DOWN", "~~BUSY", ... all contain the data separator), is a router condition. A payload
// with only one "~" has the error text up to its end and no data.
SqlReply parseSqlReply(std::string_view reply);

// --- log-in replies ---------------------------------------------------------------------------------------
struct LoginReply {
  bool hasSeparator = false;  // false: no FS after the first blank, the payload is a router message
  std::string payload;
  std::string statusText;
  std::string code;     // between the first and the second FS (to the end without a second FS)
  std::string message;  // after the second FS ("" without one)
};
LoginReply parseLoginReply(std::string_view reply);

// --- rows -------------------------------------------------------------------------------------------------
// A record from one data row: the i-th name -> the i-th value, for i below the smaller of the two counts.
QryRow makeRecord(const std::vector<std::string>& names, const std::vector<std::string>& values);
QryRow makeRecord(const std::vector<std::string>& names, std::string_view row);

// The column names of an SQL text: the text between the end of the first "select" and the first "from"
// after it (both lower case exactly), cut at every "," by the split rules of the code base (trailing empty
// pieces dropped), each piece trimmed. Nothing when there is no "select" or no "from" after it.
std::vector<std::string> getFromFields(std::string_view sql);

}  // namespace tev::router
