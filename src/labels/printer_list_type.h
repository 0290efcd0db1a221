// The typed form of a printer list file and its reading and writing:
//
//   <printer_list>
//     <printer id="P1">
//       <display_name>Dock 1</display_name>       the name shown on the scanner
//       <network_path>\\srv\dock1</network_path>  where output for the printer is sent
//       <description>Zebra at dock 1</description>
//     </printer>
//   </printer_list>
//
// Nothing is validated: a missing attribute or element reads as nothing and is left out when written.
// Printer ids are kept trimmed (characters up to U+0020 removed at both ends), so an id written with blanks
// around it can still be found, changed and removed. Other elements and attributes are ignored.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev::printer {

class PrinterType {
 public:
  const std::optional<std::string>& getDescription() const { return description; }
  const std::optional<std::string>& getDisplayName() const { return displayName; }
  const std::optional<std::string>& getId() const { return id; }
  const std::optional<std::string>& getNetworkPath() const { return networkPath; }
  void setDescription(std::optional<std::string> value) { description = std::move(value); }
  void setDisplayName(std::optional<std::string> value) { displayName = std::move(value); }
  void setId(std::optional<std::string> value) { id = std::move(value); }
  void setNetworkPath(std::optional<std::string> value) { networkPath = std::move(value); }

  friend bool operator==(const PrinterType&, const PrinterType&) = default;

 private:
  std::optional<std::string> displayName;
  std::optional<std::string> networkPath;
  std::optional<std::string> description;
  std::optional<std::string> id;
};

// The printers of a list, in file order.
class PrinterListType {
 public:
  // The live list, which callers change in place.
  std::vector<PrinterType>& getPrinter() { return printer; }
  const std::vector<PrinterType>& getPrinter() const { return printer; }

  friend bool operator==(const PrinterListType&, const PrinterListType&) = default;

 private:
  std::vector<PrinterType> printer;
};

// The root element of a printer list file.
struct PrinterList {
  static inline const std::string ELEMENT_NAME = "printer_list";
  PrinterListType value;
};

class ObjectFactory {
 public:
  PrinterList createPrinterList(PrinterListType value) const { return PrinterList{std::move(value)}; }
  PrinterListType createPrinterListType() const { return {}; }
  PrinterType createPrinterType() const { return {}; }
};

// Reads a printer list file. Throws tev::Error (naming the file) when it cannot be read or parsed or its root
// element is not printer_list.
PrinterListType readPrinterList(const std::string& path);

// The list as XML text: the printer_list element, indented, without declaration.
std::string toXml(const PrinterListType& list);

}  // namespace tev::printer
