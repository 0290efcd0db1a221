// The fixture of the back-end path tests: the gateway fixture (simulator, settings, user USER1 of company
// AB1, transaction "Receipts" with the statement "receive" and the queries "item_info" and "item_list") with
// a recording terminal in place of the screen, an empty standard query list, and a way to run a call and
// read its outcome as one text.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/error.h"
#include "engine/sql_parser.h"
#include "gateway/gateway_test_support.h"
#include "gateway/recording_terminal.h"

namespace tev::testing {

class BackEndTest : public GatewayTest {
 protected:
  BackEndTest() : screen(peer.terminalFd(), peer.terminalFd()) {
    EXPECT_TRUE(screen.intialize(peer.settings(), &host));
    handler->context().terminal = &screen;
    handler->setStandardSqlParser(std::make_unique<SqlParser>(FieldDictionary{}));
  }

  // "true" / "false", or the exception: "FunctionServerFailed: <text>", "DriverDown: <text>", or the name of
  // another failure type ("NumberFormatError", "IndexOutOfRange", "XmlReplyError", "Error: <text>").
  static std::string outcome(const std::function<bool()>& call) {
    try {
      return call() ? "true" : "false";
    } catch (const FunctionServerFailedException& e) {
      return "FunctionServerFailed: " + e.getMessage();
    } catch (const DriverDownException& e) {
      return "DriverDown: " + e.getMessage();
    } catch (const NumberFormatError&) {
      return "NumberFormatError";
    } catch (const IndexOutOfRange&) {
      return "IndexOutOfRange";
    } catch (const XmlReplyError&) {
      return "XmlReplyError";
    } catch (const Error& e) {
      return "Error: " + e.getMessage();
    }
  }

  // The body of the last request line (field 5).
  std::string lastBody() const {
    std::vector<sim::ErpSimRequest> requests = sim.requests();
    return requests.empty() ? "" : requests.back().body;
  }

  RecordingTerminal screen;
};

}  // namespace tev::testing
