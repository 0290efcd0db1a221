// HelpManager: loads, edits and saves one help file at a time (the help of one transaction, one text per
// form). The help transaction loads the current transaction's file and shows the text of the current form;
// the administration tools add or replace form texts.
//
// The manager keeps the document it loaded or made last (helpType). A failed load clears it, so no other
// transaction's help is ever shown. Edits change the kept document; only saveFile and addFormHelp write a
// file, through the XML layer's save (a temporary file renamed over the old one, so a failed save leaves the
// old file as it was). One manager is used by one thread at a time.
#pragma once

#include <optional>
#include <string>

#include "common/log.h"
#include "config/help_display_type.h"

namespace tev {

class HelpManager {
 public:
  HelpManager();
  HelpManager(const HelpManager&) = delete;
  HelpManager& operator=(const HelpManager&) = delete;
  virtual ~HelpManager();

  // Reads the help file into the kept document; true when it was read. On failure the error is logged and
  // the kept document is cleared.
  bool initialize(const std::string& path);
  // The same, returning the kept document (null when the read failed).
  help::HelpDisplayType* getHelpDisplayType(const std::string& path);
  // Reads the file like initialize; when that fails the kept document becomes a new empty one (no
  // transaction).
  void createHelpDisplayType(const std::string& path);
  // Writes the kept document to the path, replacing the file. Logs
  // " In Save function of Help Manager class .. HelpType = " + the document before and "xml is written .."
  // after. Throws XmlSaveError (logged) when there is no document or it cannot be written.
  void saveFile(const std::string& path);

  // Adds or replaces the help text of one form in the file at path: reads the file (it must exist), adds a
  // transaction with the id when the document has none (an existing one is kept, whatever its id), sets the
  // text of the first form with that id or appends a new form, and writes the file. Any failure is logged,
  // ends the operation and gives false; true when the file was written.
  virtual bool addFormHelp(const std::string& transactionId, const std::string& formId,
                           const std::string& helpText, const std::string& path);
  // Replaces the document's transaction by a new one with that id and no forms; false when no document is
  // kept.
  virtual bool addTransactionEntry(const std::string& transactionId);
  // The first form of the kept document's transaction whose id equals the form id exactly (the transaction
  // id is not used); logs " Form Id = " + form id + "  getId of form type = " + id for each form compared.
  // Null when there is no document, no transaction or no such form.
  virtual help::FormType* getFormHelp(const std::string& formId, const std::string& transactionId);
  // The kept document's transaction; null when there is no document or it has none.
  virtual help::TransactionType* getTransaction();
  // Its id; nothing when there is no transaction or it has no id.
  virtual std::optional<std::string> getTransactionId();

 private:
  bool load(const std::string& path);
  void write(const std::string& path);

  std::optional<help::HelpDisplayType> helpType;
  log::Logger logger;
};

}  // namespace tev
