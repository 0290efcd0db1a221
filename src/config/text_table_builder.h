// The offline builder of one screen-text table (labels or messages) for one environment and one language.
// LabelParser and MessageParser are its two faces; they differ only in the texts directory they read and
// write and in the words of their console lines.
//
// Sources: every file of <texts directory of a level>/<language> is an XML document holding one text: the
// root element's attribute "id" and the value of its first child. Levels are merged in this order, a later
// text replacing an earlier one with the same id:
//   common in English, common in the language (unless it is "english"),
//   each ancestor of the environment from the second-farthest down to the direct parent (English, then the
//   language; the farthest ancestor is not visited),
//   the environment itself (English, then the language).
// So a more specific level's English text wins over a less specific level's text in the language, and every
// id that exists in English somewhere has a text: English is the fallback built into every table.
//
// Writing merges everything first and then replaces the table file whole (codec of text_table_codec.h, in
// the form the settings section "encoding" chooses), so a build that fails keeps the previous table.
//
// Progress lines go to `out`; errors and warnings to `err`.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/error.h"
#include "config/text_table_codec.h"
#include "config/vrc_parser.h"

namespace tev {

// A build that cannot go on (a setting missing, a directory that cannot be listed, a file that cannot be
// written).
class TableBuildError : public Error {
 public:
  using Error::Error;
};

class TextTableBuilder {
 public:
  TextTableBuilder(TextTableKind kind, std::ostream& out, std::ostream& err);
  virtual ~TextTableBuilder();
  TextTableBuilder(const TextTableBuilder&) = delete;
  TextTableBuilder& operator=(const TextTableBuilder&) = delete;

  // Keeps the arguments and makes the file locator for the settings file and environment. Always true.
  bool initializeTexts(const std::string& settingsFile, const std::string& environment,
                       const std::string& language);
  // The merged table (see above); prints one line per visited ancestor and per directory looked at.
  TextTable getTexts();
  // Adds the source texts of one environment and language to the table.
  void putTexts(const std::string& environment, const std::string& language, TextTable& table);
  // Builds the table and writes the table file. Throws TableBuildError (and InvalidSettingException for a
  // missing encoding setting); the previous file is then unchanged.
  void persistTexts();
  // Builds the table and writes the listing "id,text" per line, in table order, to outputFile. Throws
  // TableBuildError.
  void createTextsFile(const std::string& outputFile);

  // The texts directory of an environment (labels or messages directory of the file locator).
  std::string getTextsDirectory(const std::string& environment);
  // The table file: texts directory of the environment + "/" + language + ".dat".
  std::string getTableFilePath();

  const std::string& getEnvironmentId() const { return environmentId; }
  const std::string& getSettingsXmlFilePath() const { return settingsXmlFilePath; }
  const std::string& getLanguage() const { return language; }
  VRCParser* getVrcParser() { return vrcParser.get(); }
  TextTableKind getKind() const { return kind; }

  // The command line of both tools: settingsFile environment language [outputFile]. Returns the exit status.
  static int run(TextTableBuilder& builder, const std::vector<std::string>& args);
  // The one-line usage text of the tool of that kind.
  static std::string usage(TextTableKind kind);

 protected:
  // The faces route the merge through their own operations.
  virtual void putLevel(const std::string& environment, const std::string& language, TextTable& table) {
    putTexts(environment, language, table);
  }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }

 private:
  void addSourceFile(const std::string& path, TextTable& table);

  TextTableKind kind;
  std::string environmentId;
  std::string settingsXmlFilePath;
  std::string language;
  std::unique_ptr<VRCParser> vrcParser;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace tev
