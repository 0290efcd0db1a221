// GatewayContext: what the request handler takes from the scanner session around it. The service registry
// fills it at start-up (and keeps the sources current at log-in); tests and benchmarks fill only what they
// use. Nothing here is owned: every pointer must outlive the request handler, and every source is asked
// again at each request, so a log-in that replaces the user or the function-server path needs no call.
//
// The screen texts by message id come from the terminal's own host (its message list), so the context holds
// no message list of its own.
#pragma once

#include <functional>
#include <string>

#include "engine/transaction_xml_parser.h"

namespace tev {

class ParamManager;
class TerminalEmulator;
class TevMemoryVariables;
class Transaction;
class UserData;
class VAVInterfaceData;
class VRCParser;

struct GatewayContext {
  // The scanner's screen: status line, error lines, message windows and beeps. nullptr: nothing is shown
  // (tools, benchmarks); every outcome is still logged and thrown as with a screen.
  TerminalEmulator* terminal = nullptr;
  // The settings copied at start-up and log-in: router address and attempts, result-file directories, and
  // the settings reader for the per-request settings (skerrymantle / encoding, hand_shake_in_use,
  // customer_code). Required for any request.
  VAVInterfaceData* interfaceData = nullptr;
  // Header fields of every request line.
  std::string deviceId;
  std::string environment;
  // The logged-in user (name, parameters company and request_type); nullptr before the log-in.
  std::function<const UserData*()> user;
  // Parameters: backend_user_prefix of function-server arguments, email / self of the mail seam. nullptr:
  // every parameter reads as "".
  ParamManager* paramManager = nullptr;
  // The session memory: its current transaction is the running transaction whose statements are sent and
  // which receives the reply details and query results. Required for function-server calls and queries.
  TevMemoryVariables* memory = nullptr;
  // The file locator and field dictionary with which initialize reads the environment's standard query
  // list ("sql_list.xml"). Without a locator there is no standard list.
  VRCParser* fileLocator = nullptr;
  FieldDictionary fieldDictionary;
  // The function server's query result directory (the registry's functionServerPath), sent with every
  // function-server query. Empty function: "".
  std::function<std::string()> functionServerPath;
  // After a one-record function-server query: the running transaction's processing object copies the
  // record into form fields (updateSqlSharedVariableMaps of the transaction base class). Empty: nothing.
  std::function<void(Transaction& transaction, const std::string& resultName)> updateSqlSharedVariableMaps;
  // After a list of rows was stored: the processing object selects row `row` of the result (setQryRowIndex of
  // the transaction base class, which also updates the form fields). Empty: the row is recorded under
  // "sel_row" in the transaction's index table and updateSqlSharedVariableMaps is called.
  std::function<void(Transaction& transaction, const std::string& resultName, int row)> setQryRowIndex;
};

}  // namespace tev
