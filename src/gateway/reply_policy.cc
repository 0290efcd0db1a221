#include "gateway/reply_policy.h"

#include <algorithm>

#include "common/java_number.h"
#include "common/java_text.h"
#include "gateway/router_reply.h"

namespace tev {
namespace {

using Match = RouterWordRule::Match;
using Report = RouterWordRule::Report;

const std::string kTmboaDown = "tmboaserver session not started";
const std::string kTimeout = "Did Not Receive Response Before Timer Expired";
const std::string kUriSocket = "Failed to connect to uri socket:";
const std::string kOpenConnection = "Failed to open connection";

RouterWordRule rule(std::string_view word, Match match, Report report, std::string text = "", int beeps = 0) {
  return RouterWordRule{std::string(word), match, report, std::move(text), beeps};
}

// The business-object words of a status text: the three router words compared whole, the socket failure and
// the time-out searched for.
RouterWordTable boiStatusWords(int timeoutBeeps) {
  RouterWordTable table;
  table.rules = {rule(router::DOWN, Match::kEquals, Report::kWindow, kTmboaDown),
                 rule(router::BUSY, Match::kEquals, Report::kMessageId, "ddc_busy"),
                 rule(kUriSocket, Match::kContains, Report::kWindow, kTmboaDown),
                 rule(router::NOT_FOUND, Match::kEquals, Report::kCompanyLine),
                 rule(router::TIMEOUT, Match::kContains, Report::kWindow, kTimeout, timeoutBeeps)};
  return table;
}

// The router's own answer in place of a coded reply (no comma), as function-server replies report it.
RouterWordTable routerCondition(const std::string& downId, const std::string& busyId) {
  RouterWordTable table;
  table.beepsBefore = 2;
  table.fallback = RouterWordTable::Fallback::kTextLine;
  table.rules = {rule(router::DOWN, Match::kEquals, Report::kMessageId, downId),
                 rule(router::BUSY, Match::kEquals, Report::kMessageId, busyId),
                 rule(router::NOT_FOUND, Match::kEquals, Report::kCompanyLine),
                 rule(router::TIMEOUT, Match::kContains, Report::kWindow, kTimeout)};
  return table;
}

ReplyPolicy makeOpenWorld() {
  ReplyPolicy p;
  p.name = "OW";
  p.wholeReply.rules = {rule(router::DOWN, Match::kContains, Report::kWindow, kTmboaDown),
                        rule(router::BUSY, Match::kContains, Report::kMessageId, "ddc_busy"),
                        rule(kUriSocket, Match::kContains, Report::kWindow, kTmboaDown),
                        rule(router::NOT_FOUND, Match::kContains, Report::kCompanyLine),
                        rule(router::TIMEOUT, Match::kContains, Report::kWindow, kTimeout)};
  p.statusWithoutComma = boiStatusWords(2);
  p.statusWithoutComma.fallback = RouterWordTable::Fallback::kTextLine;
  p.noSecondCommaShowsLine = true;
  p.trimStatus = true;
  return p;
}

ReplyPolicy makeErpLn() {
  ReplyPolicy p = makeOpenWorld();
  p.name = "BDE";
  p.wholeReply.beepsBefore = 2;
  p.wholeReply.rules.insert(p.wholeReply.rules.begin() + 3,
                            rule(kOpenConnection, Match::kContains, Report::kWindow, kTmboaDown));
  p.statusWithoutComma = RouterWordTable{};
  p.statusWithoutComma.fallback = RouterWordTable::Fallback::kBaanWindow;
  p.driverFailureBeeps = false;
  p.driverFailureSetsStatus = false;
  p.driverFailureTimeoutWindow = false;
  p.dataCodes = {97, 98, 99};
  p.toleranceFrom = 900;
  p.toleranceSetsFields = true;
  return p;
}

ReplyPolicy makeWebService() {
  ReplyPolicy p;
  p.name = "BTA";
  p.statusWithoutComma = routerCondition("bta_down", "bta_busy");
  p.driverFailureTimeoutWindow = false;
  p.errorSetsMesg = true;
  p.errorWindowTitle = "BTA Message";
  return p;
}

ReplyPolicy makeRtcim() {
  ReplyPolicy p;
  p.name = "RTCIM";
  p.statusWithoutComma = routerCondition("ddc_down", "ddc_busy");
  p.successId.clear();
  p.successLine = "Transaction Sent";
  p.dataIsSuccess = true;
  p.errorSetsMesg = true;
  return p;
}

ReplyPolicy makeSyteline() {
  ReplyPolicy p;
  p.name = "Syteline";
  p.wholeReply.rules = {rule(router::DOWN, Match::kContains, Report::kMessageId, "ddc_down"),
                        rule(router::BUSY, Match::kContains, Report::kMessageId, "ddc_busy"),
                        rule(router::NOT_FOUND, Match::kContains, Report::kCompanyLine)};
  p.routerWordFailure = "Skerrymantle is Down";
  p.routerWordSetsStatus = false;
  return p;
}

int readNumber(std::string_view text) {
  return parseInt(text);  // NumberFormatError for anything but a decimal whole number
}

}  // namespace

const RouterWordRule* RouterWordTable::find(std::string_view text) const {
  for (const RouterWordRule& r : rules) {
    const bool hit = r.match == Match::kEquals ? text == r.word : text.find(r.word) != std::string_view::npos;
    if (hit) return &r;
  }
  return nullptr;
}

bool ReplyPolicy::isDataCode(int errorNo) const {
  return std::find(dataCodes.begin(), dataCodes.end(), errorNo) != dataCodes.end();
}

const ReplyPolicy& ReplyPolicy::openWorld() {
  static const ReplyPolicy policy = makeOpenWorld();
  return policy;
}

const ReplyPolicy& ReplyPolicy::erpLn() {
  static const ReplyPolicy policy = makeErpLn();
  return policy;
}

const ReplyPolicy& ReplyPolicy::webService() {
  static const ReplyPolicy policy = makeWebService();
  return policy;
}

const ReplyPolicy& ReplyPolicy::rtcim() {
  static const ReplyPolicy policy = makeRtcim();
  return policy;
}

const ReplyPolicy& ReplyPolicy::syteline() {
  static const ReplyPolicy policy = makeSyteline();
  return policy;
}

const RouterWordTable& ReplyPolicy::erpLnFault() {
  static const RouterWordTable table = boiStatusWords(0);
  return table;
}

StatusLine StatusLine::read(std::string_view line, const ReplyPolicy& policy) {
  StatusLine result;
  const std::string_view rest = line.substr(router::payloadStart(line));
  result.payload = router::normalizeReply(rest);
  const std::size_t c1 = rest.find(',');
  if (c1 == std::string_view::npos) return result;
  result.statusText = std::string(rest.substr(0, c1));
  const std::size_t c2 = rest.find(',', c1 + 1);
  if (c2 == std::string_view::npos) {
    result.kind = Kind::kNoSecondComma;
    result.errorNoText = std::string(rest.substr(c1 + 1));
    return result;
  }
  result.errorNoText = std::string(rest.substr(c1 + 1, c2 - c1 - 1));
  result.message = std::string(rest.substr(c2 + 1));
  result.status = readNumber(policy.trimStatus ? trim(result.statusText) : result.statusText);
  result.errorNo = readNumber(result.errorNoText);
  result.kind = Kind::kCoded;
  return result;
}

}  // namespace tev
