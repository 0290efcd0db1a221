// PrinterManager: the process's printer list (printer_list.xml of the environment, found by the caller
// through VRCParser::getEnvironmentFilePath). It loads the file into one list shared by every manager of the
// process, answers the look-ups transactions make (by display name, by id, all names, all paths) and edits
// the list, writing the file back after each change.
//
// Calling order: initialize (or getPrinterList) first; until a load succeeds every look-up gives nothing and
// every edit fails. A look-up does not read the file again: changes made to it by another process are seen
// after the next load. A failed load keeps the list loaded before.
//
// Locks: loads are serialised by one class-wide lock; each edit holds the lock of the manager it is called on
// for the change and the write. The list itself is guarded by a class-wide lock held only while it is read or
// changed (never during file access), so look-ups never see a half-changed list. Look-ups return copies.
//
// Failures (a load or write that fails) are logged with their cause on the process log, as is "xml is
// written .." after each write.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "labels/printer_list_type.h"

namespace tev {

class PrinterManager {
 public:
  PrinterManager();
  PrinterManager(const PrinterManager&) = delete;
  PrinterManager& operator=(const PrinterManager&) = delete;

  // Appends a printer and writes the list to path. The id is stored trimmed; the other values as given.
  // False, with "1" logged and nothing changed or written, when a printer of that (trimmed) id exists;
  // false, with "2" and the cause logged, when the write fails (the printer stays in the list).
  bool addPrinter(const std::string& id, const std::string& displayName, const std::string& networkPath,
                  const std::string& description, const std::string& path);
  // Removes the first printer of that (trimmed) id, if any, and writes the list to path in any case. True
  // when the write succeeded.
  bool deletePrinter(const std::string& id, const std::string& path);
  // The first printer whose id equals the given id trimmed (letter case counts).
  std::optional<printer::PrinterType> getPrinter(const std::string& id) const;
  // The description of the first printer whose display name equals the given name trimmed, ignoring case.
  std::optional<std::string> getPrinterDescription(const std::string& displayName) const;
  // Every printer's display name, in list order ("" for a printer without one).
  std::optional<std::vector<std::string>> getPrinterDisplayNames() const;
  // The network path of the first printer whose display name equals the given name trimmed, ignoring case.
  std::optional<std::string> getPrinterNetworkPath(const std::string& displayName) const;
  // Every printer's network path, in list order ("" for a printer without one).
  std::optional<std::vector<std::string>> getPrinterNetworkPaths() const;
  // Gives the printer of that (trimmed) id the id (stored trimmed), display name, network path and
  // description and writes the list to path. False without writing when there is no such printer; false
  // (logged) when the write fails (the change stays in the list).
  bool modifyPrinter(const std::string& id, const std::string& displayName, const std::string& networkPath,
                     const std::string& description, const std::string& path);

  // Loads the file into the shared list and returns a copy of it; nothing (logged) on failure.
  static std::optional<printer::PrinterListType> getPrinterList(const std::string& path);
  // Loads the file into the shared list; true when it was loaded.
  static bool initialize(const std::string& path);

  // Writes the shared list to path (through a temporary file renamed over the old one). False (logged) when
  // no list is loaded or the write fails; the list is unchanged either way.
  bool saveFile(const std::string& path);

  // Forgets the loaded list, as at the start of the process (for tests).
  static void reset();

 private:
  bool write(const std::string& path);

  std::mutex mutex;
  log::Logger logger;
};

}  // namespace tev
