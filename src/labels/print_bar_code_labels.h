// PrintBarCodeLabels: the label job writer. External label software watches an output directory for job
// files; a transaction hands the writer the values of a label (by field id), the header values (by header
// field id, e.g. "printer" and "noOfLabels"), a label definition file and a label id, and the writer lays the
// values out as the label's type asks and writes one job file:
//
//   type "Sentinel"  <outputDir>/<job name>.dd    Sentinel header, "id=value" lines, "END"
//   type "Loftware"  <outputDir>/<job name>.pas   Sentinel header, one value per line
//   anything else    <outputDir>/<job name><suffix>.dd, written in <DC>/log first and then moved:
//                    the plain header and "%END%" (unless the header flag is off), one line of values
//                    joined by the label's separator
//   multi-row        <outputDir>/<job name>.dd    plain header, "%END%", one value line per row
//
// The job name is the device id, the running transaction's id (when one was set) and the time in
// milliseconds since 1970 (Clock::current()). A job never replaces another: when the name is taken (two
// jobs of one device and transaction in one millisecond), the next free millisecond is used. Every line ends
// with CR LF; texts are written as they are (UTF-8).
//
// A job file appears in the output directory whole or not at all: it is written under a hidden temporary
// name (".<name>.tmp-XXXXXX") in the same directory and renamed into place, so the label software never sees
// a half-written job. A request either returns true with the job in place or throws tev::Error: for a
// definition that cannot be read, a label id the file does not define, or a job that cannot be written or
// moved into the output directory.
//
// The writer shows nothing on the terminal; its diagnostics go to the process log. One writer per scanner
// process, used from one thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "labels/bar_code_label.h"

namespace tev {

class PrintBarCodeLabels {
 public:
  // Values by id; a missing id is an absent value.
  using LabelValues = std::map<std::string, std::string>;

  static inline const std::string SENTINEL = "Sentinel";
  static inline const std::string LOFTWARE = "Loftware";
  static inline const std::string LINE_END = "\r\n";
  // The header field that stands for a line end in the Sentinel and Loftware headers.
  static inline const std::string NEWLINE_FIELD = "newline";

  // No output directory ("").
  PrintBarCodeLabels();
  // outputDir: the label output directory (barcode_label_output_dir); dc: the installation root, whose
  // "log" directory takes default jobs before they are moved into the output directory.
  explicit PrintBarCodeLabels(std::string outputDir, std::string dc = ".");

  // Nothing to do; kept for the start-up sequence.
  void initialize() {}

  void setTransactionName(std::string name) { transactionName = std::move(name); }
  const std::optional<std::string>& getTransactionName() const { return transactionName; }
  // The name of the last default job moved into the output directory (without directory); its path in the
  // log directory when that job failed after being written there; "" before the first default job.
  const std::string& getFileName() const { return fileName; }
  const std::string& getOutputDir() const { return outputDir; }
  void setOutputDir(std::string dir) { outputDir = std::move(dir); }
  const std::string& getDC() const { return dc; }
  void setDC(std::string root) { dc = std::move(root); }

  // Writes one job for the label of that id in the definition file, in the layout its type selects. The
  // suffix (before ".dd") and the header flag apply to the default layout only; the printer is not used
  // (the header value "printer" addresses the job). Returns true, or throws tev::Error (see above).
  bool printLabel(const LabelValues& fieldValues, const LabelValues& headerValues,
                  const std::string& definitionPath, const std::string& labelId, const std::string& deviceId,
                  const std::string& printer, const std::optional<std::string>& suffix = std::nullopt,
                  bool header = true);

  // Writes one job with the plain header and a value line per row (in list order), whatever the label's
  // type. Returns true, or throws tev::Error.
  bool printMultiLineLabels(const std::vector<LabelValues>& rows, const LabelValues& headerValues,
                            const std::string& definitionPath, const std::string& labelId,
                            const std::string& deviceId, const std::string& printer);

  // The text of a default job with header (no file is written). Throws tev::Error as printLabel does.
  std::string getPrintLabel(const LabelValues& fieldValues, const LabelValues& headerValues,
                            const std::string& definitionPath, const std::string& labelId,
                            const std::string& deviceId, const std::string& printer);

  // The plain header, a line end, "%END%" and a line end.
  std::string getHeaderString(const LabelValues& headerValues,
                              const std::vector<BarCodeHeaderStatement>& headerStatements);

  // Write the Sentinel and Loftware job files of a label; jobNamePrefix is the device id and transaction
  // name. Return the path written.
  std::string printSentinelLabel(const BarCodeLabel& label, const LabelValues& fieldValues,
                                 const LabelValues& headerValues, const std::string& jobNamePrefix);
  std::string printLoftwareLabel(const BarCodeLabel& label, const LabelValues& fieldValues,
                                 const LabelValues& headerValues, const std::string& jobNamePrefix);

  // Append the header and its closing lines to out and return the header text alone:
  //  - Sentinel header: text entries as they are, the header field "newline" as a line end, any other header
  //    field as its value ("null" when absent); then a line end;
  //  - plain header: the same, but "newline" is looked up like any other id; then a line end, "%END%" and a
  //    line end.
  std::string buildSentinelHeaderString(std::string& out, const LabelValues& headerValues,
                                        const std::vector<BarCodeHeaderStatement>& headerStatements);
  std::string buildHeaderString(std::string& out, const LabelValues& headerValues,
                                const std::vector<BarCodeHeaderStatement>& headerStatements);

  // Field texts (the separator is used by buildFieldsString only):
  //  - Sentinel: per present field "id=value", a line end after every field but the last; text adds nothing;
  //  - Loftware: the same with the value alone, and text entries written as they stand;
  //  - plain: one line, per present field its value, the separator after every field but the last, text
  //    entries as they stand.
  // A field is present when the table holds its id; an absent field writes nothing (its line end or
  // separator still follows).
  std::string buildSentinelFieldsString(const LabelValues& fieldValues,
                                        const std::vector<BarCodeEntry>& entries,
                                        const std::string& separator);
  std::string buildLoftwareFieldsString(const LabelValues& fieldValues,
                                        const std::vector<BarCodeEntry>& entries,
                                        const std::string& separator);
  std::string buildFieldsString(const LabelValues& fieldValues, const std::vector<BarCodeEntry>& entries,
                                const std::string& separator);

 private:
  enum class FieldLayout { sentinel, loftware, plain };

  std::string jobNamePrefix(const std::string& deviceId) const;
  // The label of that id in the definition file; throws tev::Error.
  BarCodeLabel readLabel(const std::string& definitionPath, const std::string& labelId, bool logTable);
  std::string headerText(const LabelValues& headerValues,
                         const std::vector<BarCodeHeaderStatement>& headerStatements, bool sentinel);
  std::string fieldsText(const LabelValues& fieldValues, const std::vector<BarCodeEntry>& entries,
                         const std::string& separator, FieldLayout layout) const;
  void printDefaultLabel(const BarCodeLabel& label, const LabelValues& fieldValues,
                         const LabelValues& headerValues, const std::string& jobNamePrefix,
                         const std::optional<std::string>& suffix, bool header);
  // The first millisecond to try for a new job: now, but never one a job of this writer used before.
  long long firstStamp() const;
  // Creates directory + "/" + prefix + stamp + ending with the content, at the first free stamp.
  std::string writeJob(const std::string& directory, const std::string& prefix, const std::string& ending,
                       const std::string& content);

  std::string outputDir;
  std::string fileName;
  std::optional<std::string> transactionName;
  std::string dc = ".";
  std::optional<long long> lastStamp;
  log::Logger logger;
};

}  // namespace tev
