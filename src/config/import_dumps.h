// ImportDumps: the maintenance tool that installs a dump, a zip archive of configuration files whose entry
// names are paths relative to an installation directory, into that directory.
//
// Before anything is replaced, every installed file the archive will overwrite is saved into
// <installation>/backup/backupDump.<yyMMddHHmmss>.zip (entries named by the files' full paths; the backup
// directory must exist). Then each entry is written to its place, replacing the file whole (a temporary file
// renamed over it), except that an installed parameter file (a path containing "Trans.xml") is merged: the
// archive's root element, without its "path" attribute, becomes the last child of the element that attribute
// selects (an XPath expression on the installed file; the installed root element when there is none).
//
// Entries with an absolute name or a ".." component are refused, so nothing is written outside the
// installation. A directory entry is a name that ends with "/".
//
// Progress goes to the output stream, failure traces and two lines of the merge to the error stream; both are
// injectable for tests. Exit status: 0 after a complete import, kFailed when nothing was replaced (usage,
// unreadable archive, failed backup), kIncomplete when some entry was refused or could not be written or
// merged.
#pragma once

#include <iostream>
#include <string>
#include <vector>

#include "common/error.h"

struct zip;

namespace tev {

// A failure of one step of the import (its text is the trace the tool prints).
class ImportError : public Error {
 public:
  using Error::Error;
};

class ImportDumps {
 public:
  static constexpr int kFailed = 1;
  static constexpr int kIncomplete = 2;
  // The command the usage lines name.
  static inline const std::string kCommand = "ImportDumps";
  // The archive's version of one parameter file during its merge, in the working directory.
  static inline const std::string kParametersTempFile = "Parameters_temp_file.xml";

  explicit ImportDumps(std::ostream& out = std::cout, std::ostream& err = std::cerr);
  ~ImportDumps();
  ImportDumps(const ImportDumps&) = delete;
  ImportDumps& operator=(const ImportDumps&) = delete;

  // The whole import for the command-line arguments (without the program name): none (both paths are asked
  // for on the input stream) or the archive and the installation directory. Returns the exit status.
  static int main(const std::vector<std::string>& args, std::istream& in = std::cin,
                  std::ostream& out = std::cout, std::ostream& err = std::cerr);

  // Opens the archive and fills both entry lists (refused entries are reported and left out). Throws
  // ImportError when no archive or directory was chosen or the archive cannot be read.
  void readDumpFile();
  // The number of entries the last readDumpFile refused.
  int refusedEntries() const { return refusedEntries_; }
  // Writes the backup archive. Throws ImportError when it cannot be created or written.
  void startBackup();
  // Writes or merges every entry; true when every one succeeded.
  bool replaceOldFile();
  // Merges the parameter file at newPath into the installed one; false (trace printed, installed file
  // unchanged) on any failure.
  bool updateParameterFiles(const std::string& newPath, const std::string& installedPath);
  // True when the path contains "Trans.xml".
  static bool isParameterFile(const std::string& path);
  // Prints "Entering closeZipFile" and closes the archive opened by readDumpFile.
  void closeZipFile();

  std::string dumpFileName;
  std::string destinationPath;
  // The archive's entry names in archive order, and for each destinationPath + "/" + name.
  std::vector<std::string> dumpFileEntries;
  std::vector<std::string> backupFileEntries;

 private:
  void printTrace(const std::exception& e);
  // Writes one entry to its place or merges it; false when the merge was unsuccessful, ImportError when
  // the entry cannot be read or written.
  bool replaceEntry(const std::string& name, const std::string& path);

  struct zip* zf = nullptr;  // the dump archive while its entry list is read
  int refusedEntries_ = 0;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace tev
