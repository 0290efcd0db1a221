#include "sim/erp_sim_reply.h"

#include <gtest/gtest.h>

#include "sim/erp_sim_request.h"

namespace tev::sim {
namespace {

const std::string FS(1, kFs);

TEST(ErpSimReply, PayloadsHaveTheShapesTheScannerProcessReads) {
  struct Case {
    std::string built;
    std::string expected;
  };
  const Case cases[] = {
      {ErpSimReply::success(), "0,0,"},
      {ErpSimReply::success("Done"), "0,0,Done"},
      {ErpSimReply::record({"A01", "", "C"}), "1,98,A01~~C"},
      {ErpSimReply::resultFile("/qry/r1.txt"), "1,99,/qry/r1.txt"},
      {ErpSimReply::tolerance("Qty above tolerance"), "1,901,Qty above tolerance"},
      {ErpSimReply::error(900, "x"), "1,900,x"},
      {ErpSimReply::errorList({{5, "Item not found"}, {7, "Location blocked"}}),
       "1,5,Item not found" + FS + "0,7,Location blocked"},
      {ErpSimReply::driverFailure("other"), "1,0,other"},
      {ErpSimReply::sqlRow({"A01", "Blue", "", ""}), "0~~A01~Blue~~"},
      {ErpSimReply::sqlResultFile("r1.txt"), "0~~r1.txt"},
      {ErpSimReply::sqlNoRows(), "1~~"},
      {ErpSimReply::loginAccepted("hi"), "0" + FS + "0" + FS + "hi"},
      {ErpSimReply::loginRejected("No such user"), "1" + FS + "1" + FS + "No such user"},
      {ErpSimReply::line("0,0,"), "SKM 0,0,"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.built, c.expected);
  EXPECT_NE(ErpSimReply::functionServerTimeout().find("ddc_monitor: Function server"), std::string::npos);
}

}  // namespace
}  // namespace tev::sim
