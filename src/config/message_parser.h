// MessageParser: the offline builder of the screen-message table of one environment and language, built from
// the messages directories of the environment chain (see TextTableBuilder, which does the work).
//
// Command line: settingsFile environment language [outputFile]; with an outputFile a listing of the merged
// table is written instead of the table file.
#pragma once

#include <iostream>
#include <string>
#include <vector>

#include "config/text_table_builder.h"

namespace tev {

class MessageParser : public TextTableBuilder {
 public:
  explicit MessageParser(std::ostream& out = std::cout, std::ostream& err = std::cerr)
      : TextTableBuilder(TextTableKind::Messages, out, err) {}

  // Writes the listing of the merged table ("id,text" per line) to outputFile.
  virtual void createMessageFile(const std::string& outputFile) { createTextsFile(outputFile); }
  // The merged table.
  virtual TextTable getMessages() { return getTexts(); }
  virtual bool initialize(const std::string& settingsFile, const std::string& environment,
                          const std::string& language) {
    return initializeTexts(settingsFile, environment, language);
  }
  // Builds the table and writes the table file in the form the settings choose.
  virtual void persistMessages() { persistTexts(); }
  // Adds the source texts of one environment and language to the table.
  virtual void putMessages(const std::string& environment, const std::string& language, TextTable& table) {
    putTexts(environment, language, table);
  }

  // The listing, starting from command-line arguments (settingsFile environment language outputFile).
  static void createFile(const std::vector<std::string>& args, std::ostream& out = std::cout,
                         std::ostream& err = std::cerr);
  // The tool: usage, table or listing. Returns the exit status.
  static int run(const std::vector<std::string>& args, std::ostream& out = std::cout,
                 std::ostream& err = std::cerr);

 protected:
  void putLevel(const std::string& environment, const std::string& language, TextTable& table) override {
    putMessages(environment, language, table);
  }
};

}  // namespace tev
