// The failures of the back-end gateway, as the transaction handlers catch them. Each carries one message
// text, exactly as listed here; the details of a coded reply are left in the running transaction
// (fserverErrorCode, fserverMesg, fserverMesgFields), not in the exception.
#pragma once

#include "common/error.h"

namespace tev {

// The back end cannot carry out the request: no router connection, a router condition, an undefined
// statement, a request that cannot be built. Its messages: "Skerrymantle is Down",
// "unable_to_establish_connection", "DDC Driver is down", "SQL Driver is down", "Invalid Function Server",
// "Invalid No.of Arguments", "Invalid Input String Length", "Authentication service is down",
// "Authentication Service is busy", "Authentication service is notfound", "Authentication service not found";
// of the other back-end paths: "Invalid BDE" (ERP LN statement not defined) and "Error Message" (a Syteline
// reply reporting an error that was shown).
// Whatever the operator is told has been shown before it is thrown.
class DriverDownException : public Error {
 public:
  using Error::Error;
};

// A coded function-server reply other than a plain success: "98 message" (data: error numbers 98 and 99),
// "Tolerance message" (error numbers above 900), "Function call failed" (an error list).
class FunctionServerFailedException : public Error {
 public:
  using Error::Error;

  static inline const std::string DATA = "98 message";
  static inline const std::string TOLERANCE = "Tolerance message";
  static inline const std::string FAILED = "Function call failed";
};

// The router refused a log-in request; the message is the reply's message text.
class NtLogonFailedException : public Error {
 public:
  using Error::Error;
};

// An SQL request found no rows: "No rows found".
class SqlFailedException : public Error {
 public:
  using Error::Error;

  static inline const std::string NO_ROWS = "No rows found";
};

// A reply document (business object, ERP LN, web service, Syteline, RTCIM data) that is not well-formed XML,
// or lacks the element its path needs. Passed to the caller unchanged.
class XmlReplyError : public Error {
 public:
  using Error::Error;
};

// The router connection broke during an exchange: a write or read failure, the end of the stream before a
// reply line, or a reply line too long to be framed. Only the one resend after a reconnection lets it reach
// the caller.
class RouterIoError : public Error {
 public:
  using Error::Error;
};

}  // namespace tev
