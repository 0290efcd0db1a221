#include "labels/print_bar_code_labels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "common/clock.h"
#include "common/error.h"
#include "common/log.h"
#include "config/config_test_support.h"
#include "config/vav_settings.h"
#include "xml/xml_test_support.h"

namespace tev {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::readFile;
using testing::TempDir;
using Values = PrintBarCodeLabels::LabelValues;

constexpr long long kNow = 1700000000123;

constexpr const char* kLabels = R"(<?xml version="1.0"?>
<transaction>
  <label id="sentinel_label" type="Sentinel">
    <header id="h1">
      ^JOB
      <header_field id="newline"/>
      PRINTER=<header_field id="printer"/>
      <header_field id="newline"/>
      COPIES=<header_field id="noOfLabels"/>
    </header>
    <header id="h2"><header_field id="newline"/>FORM=<header_field id="form"/></header>
    <field id="item" type="string"/>
    <field id="desc" type="string"/>
    <field id="qty"/>
    <field id="unit"/>
    <field_seperator>\t</field_seperator>
  </label>
  <label id="loftware_label" type="Loftware">
    <header>*FORMAT,box.lwl<header_field id="newline"/>*PRINTER,<header_field id="printer"/></header>
    <field id="lot"/>
    <field id="item" type="string">ITEM:</field>
    <field id="desc"/>
    <field id="qty"/>
    <field_seperator>|</field_seperator>
  </label>
  <label id="receipt_label">
    <header>PRINTER=<header_field id="printer"/>,COPIES=<header_field id="noOfLabels"/><header_field id="newline"/></header>
    <field id="lot" type="string"/>
    <field id="item" type="string"/>
    <field id="desc"/>
    <field id="qty"/>
    <field_seperator>\t</field_seperator>
  </label>
  <label id="bare_sentinel" type="Sentinel"><field id="a"/><field id="b"/><field_seperator>|</field_seperator></label>
  <label id="bare_loftware" type="Loftware"><field id="a"/><field_seperator>|</field_seperator></label>
  <label id="bare_default"><field id="a"/><field id="b"/><field_seperator>|</field_seperator></label>
  <label id="lower_sentinel" type="sentinel"><header>H</header><field id="a"/><field_seperator>|</field_seperator></label>
</transaction>
)";

std::string expected(const std::string& name) {
  return readFile(std::string(TEV_LABELS_TESTDATA) + "/" + name);
}

std::vector<std::string> entryNames(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class PrintBarCodeLabelsTest : public ::testing::Test {
 protected:
  PrintBarCodeLabelsTest()
      : clock(Clock::time_point{} + std::chrono::milliseconds(kNow)),
        previousClock(Clock::install(&clock)),
        root(dir.path()),
        out(root + "/out"),
        logDir(root + "/log"),
        definitions(root + "/labels.xml"),
        writer(out, root) {
    fs::create_directories(out);
    fs::create_directories(logDir);
    dir.write("labels.xml", kLabels);
    writer.setTransactionName("Receipts");
  }
  ~PrintBarCodeLabelsTest() override { Clock::install(previousClock); }

  bool print(const std::string& labelId, const Values& fields,
             const std::optional<std::string>& suffix = std::nullopt, bool header = true) {
    return writer.printLabel(fields, headers, definitions, labelId, "RF01", "DOCK1", suffix, header);
  }

  std::string job(const std::string& name) const { return readFile(out + "/" + name); }
  static std::string stamped(long long offset, const std::string& ending) {
    return "RF01Receipts" + std::to_string(kNow + offset) + ending;
  }

  FakeClock clock;
  Clock* previousClock;
  TempDir dir;
  std::string root;
  std::string out;
  std::string logDir;
  std::string definitions;
  log::Capture capture;
  PrintBarCodeLabels writer;
  Values headers{{"printer", "\\\\srv\\p1"}, {"noOfLabels", "2"}};
  Values values{{"item", "ITEM-1"}, {"desc", "Bolt, 10 mm"}, {"qty", "5"}};
};

TEST_F(PrintBarCodeLabelsTest, SentinelJobHasHeaderLinesFieldLinesAndEnd) {
  EXPECT_TRUE(print("sentinel_label", values));
  EXPECT_THAT(entryNames(out), ElementsAre(stamped(0, ".dd")));
  EXPECT_EQ(job(stamped(0, ".dd")), expected("sentinel.dd"));
  EXPECT_TRUE(capture.contains(" file created = " + out + "/" + stamped(0, ".dd")));
  EXPECT_TRUE(capture.contains(" barcodeHeaders [ID: h1, entries: [^JOB, ID: newline, type: , PRINTER="));
  EXPECT_THAT(entryNames(logDir), IsEmpty());
  // Only the default layout sets the file name.
  EXPECT_EQ(writer.getFileName(), "");
}

TEST_F(PrintBarCodeLabelsTest, LoftwareJobHasOneValuePerLineAndKeepsFieldText) {
  EXPECT_TRUE(print("loftware_label", values, "_ignored", false));
  EXPECT_THAT(entryNames(out), ElementsAre(stamped(0, ".pas")));
  EXPECT_EQ(job(stamped(0, ".pas")), expected("loftware.pas"));
}

TEST_F(PrintBarCodeLabelsTest, DefaultJobIsWrittenInTheLogDirectoryAndMovedOut) {
  EXPECT_TRUE(print("receipt_label", values));
  const std::string name = stamped(0, ".dd");
  EXPECT_THAT(entryNames(out), ElementsAre(name));
  EXPECT_THAT(entryNames(logDir), IsEmpty());
  EXPECT_EQ(job(name), expected("default.dd"));
  EXPECT_EQ(writer.getFileName(), name);
  EXPECT_TRUE(capture.contains(" file created = " + logDir + "/" + name));
  EXPECT_TRUE(
      capture.contains("org file created = " + fs::absolute(logDir + "/" + name).string() + "  " + name));
  EXPECT_TRUE(
      capture.contains("rename file created = " + fs::absolute(out + "/" + name).string() + "  " + name));
  EXPECT_TRUE(capture.contains(" PRINTER ---------- \\\\srv\\p1"));
  EXPECT_TRUE(capture.contains(" Header field ---------- noOfLabels   2"));
}

TEST_F(PrintBarCodeLabelsTest, SuffixAndHeaderFlagShapeTheDefaultJob) {
  EXPECT_TRUE(print("receipt_label", values, "_box1", false));
  const std::string name = stamped(0, "_box1.dd");
  EXPECT_THAT(entryNames(out), ElementsAre(name));
  EXPECT_EQ(job(name), "\t\"ITEM-1\"\tBolt, 10 mm\t5\r\n");
  EXPECT_EQ(writer.getFileName(), name);
  // A Sentinel job afterwards leaves the file name of the default job.
  EXPECT_TRUE(print("sentinel_label", values, "_box1"));
  EXPECT_TRUE(fs::exists(out + "/" + stamped(1, ".dd")));
  EXPECT_EQ(writer.getFileName(), name);
}

TEST_F(PrintBarCodeLabelsTest, LayoutEdgeCases) {
  struct Case {
    const char* label;
    Values fields;
    const char* ending;
    const char* content;
  };
  for (const Case& c : {
           // No headers: the header still gives its (empty) line.
           Case{"bare_sentinel", {{"a", "1"}}, ".dd", "\r\na=1\r\n\r\nEND\r\n"},
           Case{"bare_sentinel", {{"b", "2"}}, ".dd", "\r\n\r\nb=2\r\nEND\r\n"},
           Case{"bare_loftware", {{"a", "1"}}, ".pas", "\r\n1\r\n"},
           Case{"bare_default", {{"a", "1"}}, ".dd", "\r\n%END%\r\n1|\r\n"},
           Case{"bare_default", {}, ".dd", "\r\n%END%\r\n|\r\n"},
           // A type that differs from Sentinel in letter case selects the default layout.
           Case{"lower_sentinel", {{"a", "1"}}, ".dd", "H\r\n%END%\r\n1\r\n"},
       }) {
    TempDir target;
    writer.setOutputDir(target.path());
    EXPECT_TRUE(print(c.label, c.fields)) << c.label;
    std::vector<std::string> names = entryNames(target.path());
    ASSERT_EQ(names.size(), 1u) << c.label;
    EXPECT_TRUE(names[0].starts_with("RF01Receipts") && names[0].ends_with(c.ending)) << names[0];
    EXPECT_EQ(readFile(target.path() + "/" + names[0]), c.content) << c.label;
  }
}

TEST_F(PrintBarCodeLabelsTest, MultiRowJobHasALinePerRow) {
  std::vector<Values> rows{{{"lot", "L1"}, {"item", "A"}, {"qty", "1"}},
                           {{"item", "B"}, {"desc", "x"}, {"qty", "2"}}};
  // Whatever the label's type, the plain header and value lines are used.
  EXPECT_TRUE(writer.printMultiLineLabels(rows, headers, definitions, "receipt_label", "RF01", "DOCK1"));
  EXPECT_EQ(job(stamped(0, ".dd")), expected("multi_row.dd"));
  EXPECT_TRUE(capture.contains(" label Id = receipt_label"));

  EXPECT_TRUE(writer.printMultiLineLabels({}, headers, definitions, "sentinel_label", "RF01", "DOCK1"));
  EXPECT_EQ(job(stamped(1, ".dd")), "^JOBnullPRINTER=\\\\srv\\p1nullCOPIES=2nullFORM=null\r\n%END%\r\n");
  EXPECT_THAT(entryNames(logDir), IsEmpty());
}

TEST_F(PrintBarCodeLabelsTest, JobNamesCarryDeviceTransactionAndTime) {
  PrintBarCodeLabels plain(out, root);
  EXPECT_TRUE(plain.printLabel(values, headers, definitions, "sentinel_label", "RF02", "DOCK1"));
  EXPECT_TRUE(fs::exists(out + "/RF02" + std::to_string(kNow) + ".dd"));
  clock.advance(std::chrono::milliseconds(5));
  plain.setTransactionName("KanbanCreate");
  EXPECT_TRUE(plain.printLabel(values, headers, definitions, "loftware_label", "RF02", "DOCK1"));
  EXPECT_TRUE(fs::exists(out + "/RF02KanbanCreate" + std::to_string(kNow + 5) + ".pas"));
}

TEST_F(PrintBarCodeLabelsTest, JobsOfOneMillisecondNeverReplaceEachOther) {
  // The clock stands still: every job takes the next free millisecond.
  EXPECT_TRUE(print("sentinel_label", values));
  EXPECT_TRUE(print("sentinel_label", {{"item", "ITEM-2"}}));
  EXPECT_TRUE(print("receipt_label", values));
  EXPECT_THAT(entryNames(out), ElementsAre(stamped(0, ".dd"), stamped(1, ".dd"), stamped(2, ".dd")));
  EXPECT_EQ(job(stamped(0, ".dd")), expected("sentinel.dd"));
  EXPECT_THAT(job(stamped(1, ".dd")), HasSubstr("item=\"ITEM-2\""));
  EXPECT_EQ(job(stamped(2, ".dd")), expected("default.dd"));

  // A job already in the directory (left by another writer of the device) is not replaced either.
  TempDir other;
  std::ofstream(other.path() + "/" + stamped(0, ".dd")) << "earlier job";
  std::ofstream(other.path() + "/" + stamped(1, ".pas")) << "earlier job";
  for (const char* label : {"sentinel_label", "loftware_label", "receipt_label"}) {
    PrintBarCodeLabels second(other.path(), root);
    second.setTransactionName("Receipts");
    EXPECT_TRUE(second.printLabel(values, headers, definitions, label, "RF01", "DOCK1")) << label;
  }
  EXPECT_EQ(readFile(other.path() + "/" + stamped(0, ".dd")), "earlier job");
  EXPECT_EQ(readFile(other.path() + "/" + stamped(1, ".pas")), "earlier job");
  EXPECT_EQ(readFile(other.path() + "/" + stamped(1, ".dd")), expected("sentinel.dd"));
  EXPECT_EQ(readFile(other.path() + "/" + stamped(0, ".pas")), expected("loftware.pas"));
  EXPECT_EQ(readFile(other.path() + "/" + stamped(2, ".dd")), expected("default.dd"));
  EXPECT_THAT(entryNames(logDir), IsEmpty());
}

TEST_F(PrintBarCodeLabelsTest, WriteFailuresAreReported) {
  dir.write("plain_file", "x");
  struct Case {
    const char* name;
    std::string outputDir;
    std::string dc;
    const char* label;
  };
  for (const Case& c : {
           Case{"missing output directory", root + "/nowhere", root, "sentinel_label"},
           Case{"missing output directory", root + "/nowhere", root, "loftware_label"},
           Case{"file as output directory", root + "/plain_file", root, "sentinel_label"},
           Case{"missing log directory", out, root + "/nowhere", "receipt_label"},
           Case{"missing output directory", root + "/nowhere", root, "receipt_label"},
       }) {
    PrintBarCodeLabels failing(c.outputDir, c.dc);
    try {
      failing.printLabel(values, headers, definitions, c.label, "RF01", "DOCK1");
      ADD_FAILURE() << c.name << " " << c.label << ": no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.getMessage(), HasSubstr("label job")) << c.name;
    }
    EXPECT_THAT(entryNames(out), IsEmpty()) << c.name;
  }
  // A default job that cannot be moved stays in the log directory, under the name getFileName gives.
  PrintBarCodeLabels unmovable(root + "/nowhere", root);
  EXPECT_THROW(unmovable.printLabel(values, headers, definitions, "receipt_label", "RF01", "DOCK1"), Error);
  EXPECT_EQ(unmovable.getFileName(), logDir + "/RF01" + std::to_string(kNow) + ".dd");
  EXPECT_TRUE(fs::exists(unmovable.getFileName()));
  EXPECT_THROW(
      unmovable.printMultiLineLabels({values}, headers, definitions, "receipt_label", "RF01", "DOCK1"),
      Error);
}

TEST_F(PrintBarCodeLabelsTest, DefinitionErrorsFailBeforeAnyFileIsWritten) {
  dir.write("bad.xml",
            "<transaction><label id='ok'><field_seperator>|</field_seperator></label>"
            "<label id='bad'/></transaction>");
  struct Case {
    std::string path;
    const char* label;
    const char* message;
  };
  for (const Case& c : {Case{root + "/missing.xml", "receipt_label", "missing.xml"},
                        Case{definitions, "no_such_label", "Label no_such_label is not defined in "},
                        Case{root + "/bad.xml", "ok", "Label bad of "}}) {
    try {
      writer.printLabel(values, headers, c.path, c.label, "RF01", "DOCK1");
      ADD_FAILURE() << c.label << ": no error";
    } catch (const Error& e) {
      EXPECT_THAT(e.getMessage(), HasSubstr(c.message));
    }
    EXPECT_THROW(writer.printMultiLineLabels({values}, headers, c.path, c.label, "RF01", "DOCK1"), Error);
    EXPECT_THROW(writer.getPrintLabel(values, headers, c.path, c.label, "RF01", "DOCK1"), Error);
  }
  EXPECT_THAT(entryNames(out), IsEmpty());
  EXPECT_THAT(entryNames(logDir), IsEmpty());
  EXPECT_EQ(writer.getTransactionName(), "Receipts");
  EXPECT_EQ(writer.getOutputDir(), out);
}

TEST_F(PrintBarCodeLabelsTest, TextsWithoutFiles) {
  EXPECT_EQ(writer.getPrintLabel(values, headers, definitions, "receipt_label", "RF01", "DOCK1"),
            "PRINTER=\\\\srv\\p1,COPIES=2null\r\n%END%\r\n\t\"ITEM-1\"\tBolt, 10 mm\t5");
  EXPECT_TRUE(capture.contains("headerString = PRINTER=\\\\srv\\p1,COPIES=2null\r\n%END%\r\n"));
  EXPECT_THAT(entryNames(out), IsEmpty());

  BarCodeHeaderStatement statement;
  statement.getBarCodeFields() = {std::string("A"), BarCodeField("newline", ""), std::string("B")};
  std::string sink;
  EXPECT_EQ(writer.buildSentinelHeaderString(sink, {}, {statement}), "A\r\nB");
  EXPECT_EQ(sink, "A\r\nB\r\n");
  EXPECT_EQ(writer.getHeaderString({{"newline", "|"}}, {statement}), "A|B\r\n%END%\r\n");
  EXPECT_EQ(writer.getHeaderString({}, {}), "\r\n%END%\r\n");

  // An absent last field still ends the Sentinel lines with the line end the layout adds.
  std::vector<BarCodeEntry> fields{std::string("T:"), BarCodeField("item", "string"),
                                   BarCodeField("qty", "")};
  Values present{{"item", "I"}};
  EXPECT_EQ(writer.buildSentinelFieldsString(present, fields, ";"), "item=\"I\"\r\n");
  EXPECT_EQ(writer.buildLoftwareFieldsString(present, fields, ";"), "T:\"I\"\r\n");
  EXPECT_EQ(writer.buildFieldsString(present, fields, ";"), "T:\"I\";");
}

TEST_F(PrintBarCodeLabelsTest, JobFilesAppearWholeWithoutVisibleTemporaries) {
  // The temporary a job is written under is hidden and has another ending, and is gone afterwards.
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(print("sentinel_label", values));
    EXPECT_TRUE(print("receipt_label", values));
  }
  for (const std::string& name : entryNames(out)) {
    EXPECT_FALSE(name.starts_with(".")) << name;
    EXPECT_TRUE(name.ends_with(".dd")) << name;
  }
  EXPECT_EQ(entryNames(out).size(), 6u);
}

TEST_F(PrintBarCodeLabelsTest, DefaultJobMovesAcrossFileSystems) {
  struct stat shm {
  }, tmp{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(out.c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no second file system at hand";
  std::string dc = "/dev/shm/tev_labels_" + std::to_string(::getpid());
  fs::create_directories(dc + "/log");
  PrintBarCodeLabels crossing(out, dc);
  crossing.setTransactionName("Receipts");
  bool printed = crossing.printLabel(values, headers, definitions, "receipt_label", "RF01", "DOCK1");
  std::vector<std::string> logged = entryNames(dc + "/log");
  fs::remove_all(dc);
  EXPECT_TRUE(printed);
  EXPECT_THAT(logged, IsEmpty());
  EXPECT_EQ(job(stamped(0, ".dd")), expected("default.dd"));
}

TEST(PrintBarCodeLabelsDemoTest, TheDemoLabelsPrint) {
  testing::InDemoDirectory inDemo;
  VAVSettings settings("vav_settings.xml");
  std::optional<std::string> definitions = settings.getConfigDirPath("demo", "barcode_label_files_path");
  ASSERT_TRUE(definitions);
  TempDir root;
  fs::create_directories(root.path() + "/log");
  fs::create_directories(root.path() + "/out");
  PrintBarCodeLabels writer(root.path() + "/out", root.path());
  writer.setTransactionName("Demo");
  Values headers{{"printer", "\\\\labelsrv\\dock1"}, {"noOfLabels", "1"}};
  EXPECT_TRUE(writer.printLabel({{"lot", "L1"}, {"item", "ITEM-1"}}, headers,
                                *definitions + "/receipts_lab.xml", "receipt_label", "RF01", "DOCK1"));
  EXPECT_TRUE(writer.printLabel({{"kanban_id", "K1"}}, headers, *definitions + "/kanban_id_lab.xml",
                                "kanban_id_label", "RF01", "DOCK1"));
  EXPECT_TRUE(writer.printLabel({{"item", "ITEM-1"}}, headers, *definitions + "/putaway_lab.xml",
                                "putaway_label", "RF01", "DOCK1"));
  std::vector<std::string> names = entryNames(root.path() + "/out");
  ASSERT_EQ(names.size(), 3u);
  EXPECT_THAT(readFile(root.path() + "/out/" + names[1]),
              HasSubstr("PRINTER=\\\\labelsrv\\dock1\r\nCOPIES=1\r\n"));
}

}  // namespace
}  // namespace tev
