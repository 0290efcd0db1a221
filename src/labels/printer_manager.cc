#include "labels/printer_manager.h"

#include <algorithm>

#include "common/error.h"
#include "common/java_text.h"
#include "xml/xml_query.h"
#include "xml/xml_save_error.h"

namespace tev {
namespace {

constexpr const char* kLoggerName = "tev.framework.application.Logger";

using printer::PrinterListType;
using printer::PrinterType;

// The list shared by every manager of the process.
struct SharedList {
  std::mutex loadMutex;  // one load at a time
  std::mutex listMutex;  // guards list
  std::optional<PrinterListType> list;
};

SharedList& shared() {
  static SharedList instance;
  return instance;
}

std::optional<PrinterListType> load(const std::string& path) {
  SharedList& state = shared();
  std::lock_guard loading(state.loadMutex);
  try {
    PrinterListType list = printer::readPrinterList(path);
    std::lock_guard guard(state.listMutex);
    state.list = list;
    return list;
  } catch (const Error& e) {
    log::get(kLoggerName)->error("{}", e.getMessage());
    return std::nullopt;
  }
}

// The first printer of the list that matches; null when there is none.
template <typename Match>
const PrinterType* findPrinter(const PrinterListType& list, Match match) {
  auto found = std::find_if(list.getPrinter().begin(), list.getPrinter().end(), match);
  return found == list.getPrinter().end() ? nullptr : &*found;
}

const PrinterType* findById(const PrinterListType& list, const std::string& id) {
  const std::string wanted = trim(id);
  return findPrinter(list, [&](const PrinterType& p) { return p.getId() == wanted; });
}

template <typename Value>
std::optional<std::vector<std::string>> allValues(Value value) {
  SharedList& state = shared();
  std::lock_guard guard(state.listMutex);
  if (!state.list) return std::nullopt;
  std::vector<std::string> values;
  for (const PrinterType& p : state.list->getPrinter()) values.push_back(value(p).value_or(""));
  return values;
}

}  // namespace

PrinterManager::PrinterManager() : logger(log::get(kLoggerName)) {}

std::optional<PrinterListType> PrinterManager::getPrinterList(const std::string& path) {
  return load(path);
}

bool PrinterManager::initialize(const std::string& path) {
  return load(path).has_value();
}

void PrinterManager::reset() {
  SharedList& state = shared();
  std::lock_guard guard(state.listMutex);
  state.list.reset();
}

// ---- look-ups ----

std::optional<PrinterType> PrinterManager::getPrinter(const std::string& id) const {
  SharedList& state = shared();
  std::lock_guard guard(state.listMutex);
  if (!state.list) return std::nullopt;
  const PrinterType* found = findById(*state.list, id);
  return found ? std::optional<PrinterType>(*found) : std::nullopt;
}

std::optional<std::string> PrinterManager::getPrinterDescription(const std::string& displayName) const {
  SharedList& state = shared();
  std::lock_guard guard(state.listMutex);
  if (!state.list) return std::nullopt;
  const std::string wanted = toUpperCase(trim(displayName));
  const PrinterType* found = findPrinter(*state.list, [&](const PrinterType& p) {
    return p.getDisplayName() && toUpperCase(*p.getDisplayName()) == wanted;
  });
  return found ? found->getDescription() : std::nullopt;
}

std::optional<std::string> PrinterManager::getPrinterNetworkPath(const std::string& displayName) const {
  SharedList& state = shared();
  std::lock_guard guard(state.listMutex);
  if (!state.list) return std::nullopt;
  const std::string wanted = trim(displayName);
  const PrinterType* found = findPrinter(*state.list, [&](const PrinterType& p) {
    return p.getDisplayName() && equalsIgnoreCase(*p.getDisplayName(), wanted);
  });
  return found ? found->getNetworkPath() : std::nullopt;
}

std::optional<std::vector<std::string>> PrinterManager::getPrinterDisplayNames() const {
  return allValues([](const PrinterType& p) { return p.getDisplayName(); });
}

std::optional<std::vector<std::string>> PrinterManager::getPrinterNetworkPaths() const {
  return allValues([](const PrinterType& p) { return p.getNetworkPath(); });
}

// ---- edits ----

bool PrinterManager::addPrinter(const std::string& id, const std::string& displayName,
                                const std::string& networkPath, const std::string& description,
                                const std::string& path) {
  std::lock_guard editing(mutex);
  {
    SharedList& state = shared();
    std::lock_guard guard(state.listMutex);
    if (!state.list) {
      logger->error("{}", "No printer list loaded: printer " + id + " not added");
      return false;
    }
    if (findById(*state.list, id) != nullptr) {
      logger->warn("{}", "1");
      return false;
    }
    PrinterType added = printer::ObjectFactory().createPrinterType();
    added.setId(trim(id));
    added.setDisplayName(displayName);
    added.setNetworkPath(networkPath);
    added.setDescription(description);
    state.list->getPrinter().push_back(std::move(added));
  }
  if (write(path)) return true;
  logger->warn("{}", "2");
  return false;
}

bool PrinterManager::modifyPrinter(const std::string& id, const std::string& displayName,
                                   const std::string& networkPath, const std::string& description,
                                   const std::string& path) {
  std::lock_guard editing(mutex);
  {
    SharedList& state = shared();
    std::lock_guard guard(state.listMutex);
    if (!state.list) return false;
    const std::string wanted = trim(id);
    std::vector<PrinterType>& printers = state.list->getPrinter();
    auto found = std::find_if(printers.begin(), printers.end(),
                              [&](const PrinterType& p) { return p.getId() == wanted; });
    if (found == printers.end()) return false;
    found->setId(wanted);
    found->setDisplayName(displayName);
    found->setNetworkPath(networkPath);
    found->setDescription(description);
  }
  return write(path);
}

bool PrinterManager::deletePrinter(const std::string& id, const std::string& path) {
  std::lock_guard editing(mutex);
  {
    SharedList& state = shared();
    std::lock_guard guard(state.listMutex);
    if (!state.list) {
      logger->error("{}", "No printer list loaded: printer " + id + " not removed");
      return false;
    }
    const std::string wanted = trim(id);
    std::vector<PrinterType>& printers = state.list->getPrinter();
    auto found = std::find_if(printers.begin(), printers.end(),
                              [&](const PrinterType& p) { return p.getId() == wanted; });
    if (found != printers.end()) printers.erase(found);
  }
  return write(path);
}

bool PrinterManager::saveFile(const std::string& path) {
  return write(path);
}

bool PrinterManager::write(const std::string& path) {
  std::string text;
  {
    SharedList& state = shared();
    std::lock_guard guard(state.listMutex);
    if (!state.list) {
      logger->error("{}", "No printer list loaded: nothing written to " + path);
      return false;
    }
    try {
      text = printer::toXml(*state.list);
    } catch (const Error& e) {
      logger->error("{}", e.getMessage());
      return false;
    }
  }
  try {
    XMLQuery query;
    if (query.loadXMLString(text) == nullptr) {
      logger->error("{}", "Failed to build the printer list for " + path);
      return false;
    }
    query.setXmlFilePath(path);
    query.saveXMLFile();
  } catch (const XmlSaveError& e) {
    logger->error("{}", e.getMessage());
    return false;
  }
  logger->info("{}", "xml is written ..");
  return true;
}

}  // namespace tev
