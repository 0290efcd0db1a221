// XMLQueryBean: the XML helper of the settings reader, the parameter files, the login and password
// transactions, the daemon and the administration site. Besides the shared queries it reads and writes the
// device list (an entry's id through one of its children), stores typed values, and saves only when the disk
// that holds the file has more than 500 MB free.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "xml/xml_query_base.h"

namespace tev {

class XMLQueryBean : public XMLQueryBase {
 public:
  // Free space of the file system holding a file, in kilobytes; -1 when it cannot be measured.
  using FreeSpaceProbe = std::function<std::int64_t(const std::string& file)>;

  XMLQueryBean();

  // The id attribute of the parent element of the node the filled template selects (for the device list:
  // "/device_list/device[@id='%s']/%s" selects a child of the entry); "" when the parent has no id. Nothing
  // (logged) when nothing is selected or the parent is no element.
  std::optional<std::string> getDeviceID(const std::string& format, const std::vector<std::string>& args);
  // Sets that id attribute to newId; false (logged) on failure. The last argument is not used.
  bool setDeviceID(const std::string& format, const std::vector<std::string>& args, const std::string& newId,
                   const std::string& unused = "");

  // The value of the first selected node: an element gives its first child's value, or "" when it has no
  // child; any other node its own value. Nothing (logged) when nothing is selected.
  std::optional<std::string> getNodeValue(const std::string& expr);
  // The values of the selected nodes, in order: a text or attribute node adds its value, an element its first
  // child's value ("" when it has no child or that child has no value), other nodes nothing. Nothing when the
  // query fails.
  std::optional<std::vector<std::string>> getNodeValues(const std::string& expr);

  // Sets the first child's value of the node the filled template selects; a failure is logged.
  void setNodeValueByParsedExpr(const std::string& format, const std::vector<std::string>& args,
                                const std::string& value);
  // A typed value under the selected node. When the node has a first child, that child must be an element and
  // gets the attribute tooltype = type (an element has no value of its own, so value changes nothing there);
  // otherwise a new element named value with tooltype = type is appended. False (logged) on failure.
  bool setNodeValueAndType(const std::string& expr, const std::string& value, const std::string& type);

  // Writes the document (libxml2's normal output) to the file it was loaded from when more than 500 MB are
  // free there. Throws XmlSaveError (and logs) when refused or when writing fails; the file is then
  // unchanged.
  void saveXMLFile();

  // Replaces the measurement saveXMLFile uses (tests); the default is getFreeSpace.
  void setFreeSpaceProbe(FreeSpaceProbe probe) { freeSpace_ = std::move(probe); }

  // Free space, in kilobytes, of the file system that holds the file; -1 when the file does not exist.
  static std::int64_t getFreeSpace(const std::string& file);
  // The measurement itself (statvfs: blocks available to unprivileged users); -1 when it fails.
  static std::int64_t getFreeSpaceUnix(const std::string& file);

 private:
  FreeSpaceProbe freeSpace_;
};

}  // namespace tev
