#include "sim/erp_sim_journal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "common/error.h"
#include "common/test_support.h"

namespace tev::sim {
namespace {

using ::testing::HasSubstr;
using tev::testing::readFile;
using tev::testing::TempDir;

std::string booking(const std::string& quantity) {
  return requestLine({},
                     functionServerBody("100", "tdilc9101", "transfer_inventory", {"ITEM-100", quantity}));
}

TEST(ErpSimJournal, AcceptsOnlyFunctionCallsTheBackEndTookOn) {
  struct Case {
    std::string line;
    std::optional<ErpSimAction> answer;
    bool accepted;
  };
  const std::string query = requestLine({}, queryBody("100", "tdilc9100", "execute_query", {"W1"}, "", "1"));
  const Case cases[] = {
      {booking("5"), ErpSimAction("0,0,Transfer booked"), true},
      {booking("5"), ErpSimAction(" 0 ,0,"), true},
      {booking("5"), ErpSimAction("1,98,A~B"), true},  // a data reply: done, with data
      {booking("5"), ErpSimAction("1,99,q1.txt"), true},
      {booking("5"), ErpSimAction("1,31,Not enough stock"), false},
      {booking("5"), ErpSimAction("1,0,driver down"), false},
      {booking("5"), ErpSimAction("~~NOTFOUND"), false},
      {booking("5"), ErpSimAction("0"), false},
      {booking("5"), ErpSimAction("0,0,booked").thenClose(), false},  // the caller never hears of it
      {booking("5"), ErpSimAction::raw("SKM 0,0,raw\r\n"), false},
      {booking("5"), ErpSimAction::closeWithoutReply(), false},
      {booking("5"), std::nullopt, false},
      {query, ErpSimAction("1,98,1~Main"), false},
      {query, ErpSimAction("0,0,"), false},
      {requestLine({}, loginBody({"a", "b"})), ErpSimAction("0,0,"), false},
      {"garbage", ErpSimAction("0,0,"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(printable(c.line) + " -> " + (c.answer ? c.answer->text() : "none"));
    EXPECT_EQ(ErpSimJournal::accepts(parseRequest(c.line), c.answer), c.accepted);
  }
}

TEST(ErpSimJournal, AppendsTheLineAsReceivedAndKeepsWhatWasThere) {
  TempDir dir;
  const std::string path = dir.write("journal.txt", "earlier\n");
  ErpSimJournal journal(path);
  journal.record(parseRequest(booking("5")), ErpSimAction("0,0,ok"));
  journal.record(parseRequest(booking("6")), ErpSimAction("1,31,refused"));
  // Written at once: the file holds the line while the journal is still open.
  EXPECT_EQ(readFile(path), "earlier\n" + booking("5") + "\n");
  EXPECT_EQ(journal.written(), 1u);
  EXPECT_EQ(journal.failures(), 0u);
}

TEST(ErpSimJournal, ConcurrentBookingsGiveWholeLines) {
  TempDir dir;
  ErpSimJournal journal(dir.file("journal.txt"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 250; ++i)
        journal.record(parseRequest(booking(std::to_string(t * 1000 + i))), ErpSimAction("0,0,ok"));
    });
  for (std::thread& thread : threads) thread.join();

  std::istringstream lines(readFile(dir.file("journal.txt")));
  std::set<std::string> seen;
  for (std::string line; std::getline(lines, line);) {
    ErpSimRequest request = parseRequest(line);
    ASSERT_EQ(request.kind, RequestKind::kFunctionServer) << printable(line);
    ASSERT_EQ(request.values.size(), 2u);
    EXPECT_TRUE(seen.insert(request.values[1]).second) << "twice: " << request.values[1];
  }
  EXPECT_EQ(seen.size(), 2000u);
  EXPECT_EQ(journal.written(), 2000u);
}

TEST(ErpSimJournal, AFileThatCannotBeOpenedIsAnError) {
  TempDir dir;
  try {
    ErpSimJournal journal(dir.file("missing/journal.txt"));
    FAIL() << "opened";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("cannot open the journal " + dir.file("missing/journal.txt")));
  }
}

}  // namespace
}  // namespace tev::sim
