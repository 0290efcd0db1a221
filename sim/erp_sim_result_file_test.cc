#include "sim/erp_sim_result_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "xml/xml_test_support.h"

namespace tev::sim {
namespace {

using ::testing::MatchesRegex;
using tev::testing::readFile;
using tev::testing::TempDir;

TEST(ErpSimResultFile, WritesRowsUnderUniqueNames) {
  TempDir dir;
  ErpSimResultFile::Rows rows{{"A01", "", "C"}, {""}, {"x", "y", ""}};
  EXPECT_EQ(ErpSimResultFile::format(rows), "A01~~C\n\nx~y~\n");
  std::string first = ErpSimResultFile::write(dir.file("new/sub"), rows, "q/7 x");
  std::string second = ErpSimResultFile::write(dir.file("new/sub"), {}, "q/7 x");
  EXPECT_THAT(first, MatchesRegex("q_7_x_" + std::to_string(::getpid()) + "_[0-9]+\\.txt"));
  EXPECT_NE(first, second);
  EXPECT_EQ(readFile(dir.file("new/sub/" + first)), "A01~~C\n\nx~y~\n");
  EXPECT_EQ(readFile(dir.file("new/sub/" + second)), "");

  EXPECT_EQ(ErpSimResultFile::writeAs(dir.path(), "r123.txt", {{"a"}}), dir.file("r123.txt"));
  ErpSimResultFile::writeAs(dir.path(), "r123.txt", {{"b"}});
  EXPECT_EQ(readFile(dir.file("r123.txt")), "b\n");
  EXPECT_THROW(ErpSimResultFile::writeAs(dir.file("r123.txt"), "x.txt", {}), Error);
}

}  // namespace
}  // namespace tev::sim
