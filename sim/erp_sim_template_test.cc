#include "sim/erp_sim_template.h"

#include <gtest/gtest.h>

#include "sim/erp_sim_request.h"

namespace tev::sim {
namespace {

const std::string FS(1, kFs);

std::string header() {
  return "RF01" + FS + "USER1" + FS + "prod" + FS + "Receipts" + FS;
}

TEST(ErpSimTemplate, FillsPlaceholdersFromTheRequest) {
  ErpSimRequest r = parseRequest(header() + " DDC100,3,tdilc0001,execute_query,W1~LOC,/qry,2");
  std::vector<std::string> groups{"whole", "g1"};
  ErpSimTemplateContext context{r, &groups, "r9.txt"};
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"{device}/{user}/{environment}/{title}", "RF01/USER1/prod/Receipts"},
      {"{company},{server},{function},{query},{path}", "100,tdilc0001,execute_query,2,/qry"},
      {"{arg:0}-{arg:1}-{arg:2}", "W1-LOC-"},
      {"{value:2}{value:9}", "2"},
      {"{group:1}{group:0}{group:5}", "g1whole"},
      {"{file}", "r9.txt"},
      {"0{FS}0{FS}ok", "0" + FS + "0" + FS + "ok"},
      {"{{literal} }", "{literal} }"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ErpSimTemplate::parse(c.text).expand(context), c.expected) << c.text;
}

TEST(ErpSimTemplate, RefusesUnknownPlaceholders) {
  for (const char* text : {"{nope}", "{value:}", "{value:x}", "{arg:-1}", "{FS", "a{", "{login:1a}"})
    EXPECT_THROW(ErpSimTemplate::parse(text), ErpSimRulesError) << text;
}

}  // namespace
}  // namespace tev::sim
