#include "config/import_dumps.h"

#include <fcntl.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "common/clock.h"
#include "common/fd.h"
#include "common/java_format.h"
#include "common/replace_file.h"
#include "xml/libxml_guard.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {
namespace {

namespace fs = std::filesystem;

std::string zipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// An archive opened for reading, closed (discarded) when it ends.
class ReadArchive {
 public:
  explicit ReadArchive(const std::string& path) {
    int code = 0;
    archive_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (archive_ == nullptr) throw ImportError(path + " (" + zipErrorText(code) + ")");
  }
  ~ReadArchive() { zip_discard(archive_); }
  ReadArchive(const ReadArchive&) = delete;
  ReadArchive& operator=(const ReadArchive&) = delete;

  zip_t* get() const { return archive_; }

 private:
  zip_t* archive_;
};

zip_int64_t entryCount(zip_t* archive) {
  zip_int64_t count = zip_get_num_entries(archive, 0);
  if (count < 0) throw ImportError(std::string("cannot list the entries: ") + zip_strerror(archive));
  return count;
}

std::string entryName(zip_t* archive, zip_int64_t index) {
  const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(index), 0);
  if (name == nullptr)
    throw ImportError("cannot read the name of entry " + std::to_string(index) + ": " +
                      zip_strerror(archive));
  return name;
}

// The bytes of one entry; a damaged entry (a CRC mismatch included) throws.
std::string readEntry(zip_t* archive, zip_int64_t index, const std::string& name) {
  zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) throw ImportError("cannot open the entry " + name + ": " + zip_strerror(archive));
  std::string content;
  char block[8192];
  zip_int64_t n;
  while ((n = zip_fread(file, block, sizeof block)) > 0) content.append(block, static_cast<size_t>(n));
  if (n < 0) {
    std::string why = zip_file_strerror(file);
    zip_fclose(file);
    throw ImportError("cannot read the entry " + name + ": " + why);
  }
  zip_fclose(file);
  return content;
}

// An absolute name or a ".." component would reach outside the installation directory.
bool outsideInstallation(std::string_view name) {
  if (!name.empty() && name.front() == '/') return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

bool isDirectoryEntry(const std::string& name) {
  return !name.empty() && name.back() == '/';
}

// Creates or truncates a file and writes the content into it.
void writeFile(const std::string& path, std::string_view content) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!fd) throw ImportError(path + " (" + std::strerror(errno) + ")");
  try {
    writeAll(fd.get(), content);
  } catch (const Error& e) {
    throw ImportError(path + " (" + e.what() + ")");
  }
  if (::close(fd.release()) != 0) throw ImportError(path + " (" + std::strerror(errno) + ")");
}

// The first node the expression selects in the document (the document itself is the context node).
XmlNode selectFirst(xmlDocPtr doc, const std::string& expr, const std::string& file) {
  LibxmlGuard guard;
  std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(xmlXPathNewContext(doc),
                                                                           xmlXPathFreeContext);
  if (context == nullptr) throw ImportError("no XPath evaluator");
  context->node = reinterpret_cast<xmlNodePtr>(doc);
  std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expr.c_str()), context.get()),
      xmlXPathFreeObject);
  if (result == nullptr)
    throw ImportError("invalid XPath expression " + expr + ": " + guard.cause("evaluation failed"));
  if (result->type != XPATH_NODESET) throw ImportError("the path " + expr + " does not select nodes");
  xmlNodeSetPtr set = result->nodesetval;
  if (set != nullptr) {
    xmlXPathNodeSetSort(set);
    for (int i = 0; i < set->nodeNr; ++i) {
      xmlNodePtr node = set->nodeTab[i];
      if (node != nullptr && node->type != XML_NAMESPACE_DECL) return XmlNode(node);
    }
  }
  throw ImportError("the path " + expr + " selects nothing in " + file);
}

XmlDocPtr parse(const std::string& path) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (doc == nullptr) throw ImportError("cannot parse " + path + ": " + cause);
  return doc;
}

// The 22 bytes of a zip archive without entries (libzip writes no file for one).
constexpr std::string_view kEmptyArchive("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);

}  // namespace

ImportDumps::ImportDumps(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

ImportDumps::~ImportDumps() {
  if (zf != nullptr) zip_discard(zf);
}

int ImportDumps::main(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err) {
  ImportDumps tool(out, err);
  out << "Arguments length: " << args.size() << '\n';
  if (args.size() == 2) {
    tool.dumpFileName = args[0];
    tool.destinationPath = args[1];
    out << "You chose to open this file: " << tool.dumpFileName << '\n';
    out << "You selected this Directory to Save: " << tool.destinationPath << '\n';
  } else if (args.empty()) {
    auto ask = [&](const char* prompt) {
      out << prompt << std::flush;
      std::string answer;
      if (!std::getline(in, answer)) return std::string();
      if (!answer.empty() && answer.back() == '\r') answer.pop_back();
      return answer;
    };
    tool.dumpFileName = ask("Dump file to open: ");
    if (!tool.dumpFileName.empty()) out << "You chose to open this file: " << tool.dumpFileName << '\n';
    tool.destinationPath = ask("Directory to install the dump in: ");
    if (!tool.destinationPath.empty())
      out << "You selected this Directory to Save: " << tool.destinationPath << '\n';
  } else {
    out << "Usage: " << kCommand << "           - For GUI Application\n";
    out << "Usage: " << kCommand
        << " <path to zip file containing dumps> <path to the parent folder where to install dumps>"
           "          - For NON - GUI Application\n";
    out.flush();
    return kFailed;
  }

  try {
    tool.readDumpFile();
  } catch (const Error& e) {
    out << "Unable to read the dump file : " << std::endl;
    tool.printTrace(e);
    return kFailed;
  }
  try {
    tool.startBackup();
  } catch (const Error& e) {
    out << "Unable to create the Backup file : " << std::endl;
    tool.printTrace(e);
    return kFailed;
  }
  bool complete = tool.replaceOldFile();
  out.flush();
  return complete && tool.refusedEntries() == 0 ? 0 : kIncomplete;
}

void ImportDumps::readDumpFile() {
  dumpFileEntries.clear();
  backupFileEntries.clear();
  refusedEntries_ = 0;
  if (dumpFileName.empty()) throw ImportError("no dump file chosen");
  if (destinationPath.empty()) throw ImportError("no installation directory chosen");
  int code = 0;
  zf = zip_open(dumpFileName.c_str(), ZIP_RDONLY, &code);
  if (zf == nullptr) throw ImportError(dumpFileName + " (" + zipErrorText(code) + ")");
  out_ << "Reading the ZIP File\n";
  try {
    zip_int64_t count = entryCount(zf);
    for (zip_int64_t i = 0; i < count; ++i) {
      std::string name = entryName(zf, i);
      out_ << name << "\n\n";
      if (outsideInstallation(name)) {
        out_ << "Refused the entry outside the installation directory: " << name << '\n';
        ++refusedEntries_;
        continue;
      }
      dumpFileEntries.push_back(name);
      backupFileEntries.push_back(destinationPath + "/" + name);
    }
  } catch (const Error&) {
    closeZipFile();
    throw;
  }
  closeZipFile();
}

void ImportDumps::closeZipFile() {
  out_ << "Entering closeZipFile\n";
  if (zf != nullptr) zip_discard(zf);
  zf = nullptr;
}

void ImportDumps::startBackup() {
  std::string stamp = SimpleDateFormat("yyMMddHHmmss").format(Clock::current().now());
  std::string path = destinationPath + "/backup/backupDump." + stamp + ".zip";
  // Created at once, so a missing backup directory stops the import before anything is read.
  writeFile(path, "");

  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (archive == nullptr) {
    ::unlink(path.c_str());
    throw ImportError(path + " (" + zipErrorText(code) + ")");
  }
  auto fail = [&](const std::string& why) {
    zip_discard(archive);
    ::unlink(path.c_str());
    throw ImportError(path + " (" + why + ")");
  };
  std::set<std::string> saved;
  for (const std::string& file : backupFileEntries) {
    out_ << "File being Processed: " << file << '\n';
    std::error_code error;
    if (!fs::is_regular_file(file, error) || saved.count(file) != 0) continue;
    zip_source_t* source = zip_source_file(archive, file.c_str(), 0, 0);
    if (source == nullptr) fail(file + ": " + zip_strerror(archive));
    zip_int64_t index = zip_file_add(archive, file.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      fail(file + ": " + zip_strerror(archive));
    }
    if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) != 0)
      fail(file + ": " + zip_strerror(archive));
    saved.insert(file);
  }
  if (saved.empty()) {
    zip_discard(archive);
    writeFile(path, kEmptyArchive);
    return;
  }
  if (zip_close(archive) != 0) fail(zip_strerror(archive));
}

bool ImportDumps::replaceOldFile() {
  bool complete = true;
  for (size_t i = 0; i < backupFileEntries.size(); ++i) {
    const std::string& path = backupFileEntries[i];
    const std::string& name = dumpFileEntries[i];
    out_ << (isParameterFile(path) ? "Is a Parameter File: " : "Is not a Parameter File: ") << path << '\n';
    if (isDirectoryEntry(name)) {
      std::string directory = path;
      while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
      std::error_code error;
      if (fs::create_directories(directory, error)) {
        out_ << "Successfully created the directory structure for: " << path << '\n';
      } else {
        out_ << "******Not able to create the directory structure for: " << path << '\n';
        if (error) complete = false;
      }
      continue;
    }
    try {
      if (!replaceEntry(name, path)) complete = false;
    } catch (const Error& e) {
      printTrace(e);
      complete = false;
    }
  }
  out_ << "Exiting replaceOldFile\n";
  return complete;
}

bool ImportDumps::replaceEntry(const std::string& name, const std::string& path) {
  ReadArchive archive(dumpFileName);
  std::optional<zip_int64_t> found;
  zip_int64_t count = entryCount(archive.get());
  for (zip_int64_t i = 0; i < count && !found; ++i) {
    std::string candidate = destinationPath + "/" + entryName(archive.get(), i);
    out_ << "Trying next entry - " << candidate << " matches " << path << '\n';
    if (candidate == path) found = i;
  }
  if (!found) throw ImportError("no entry " + name + " in " + dumpFileName);

  std::error_code error;
  if (isParameterFile(path) && fs::exists(path, error)) {
    bool merged = false;
    try {
      writeFile(kParametersTempFile, readEntry(archive.get(), *found, name));
      merged = updateParameterFiles(kParametersTempFile, path);
    } catch (const Error& e) {
      printTrace(e);  // the archive's version is not complete: no merge
    }
    out_ << (merged ? "Updating the parameters file is successful"
                    : "Updating the parameters file is unsuccessful")
         << '\n';
    ::unlink(kParametersTempFile.c_str());
    return merged;
  }
  std::string content = readEntry(archive.get(), *found, name);
  std::string why = replaceFile(path, content);
  if (!why.empty()) throw ImportError(path + " (" + why + ")");
  return true;
}

bool ImportDumps::updateParameterFiles(const std::string& newPath, const std::string& installedPath) {
  try {
    XmlDocPtr fresh = parse(newPath);
    XmlNode freshRoot(xmlDocGetRootElement(fresh.get()));
    std::string cause;
    std::optional<std::string> text = serialiseNode(freshRoot.raw(), cause);
    err_ << "xmlDoc = " << text.value_or(cause) << std::endl;

    XmlDocPtr installed = parse(installedPath);
    XmlNode target(xmlDocGetRootElement(installed.get()));
    err_ << " initial node = " << freshRoot.name() << std::endl;

    std::optional<std::string> selection = freshRoot.attribute("path");
    if (selection) {
      out_ << " Node Value of Path = " << *selection << '\n';
      target = selectFirst(installed.get(), *selection, installedPath);
    }
    out_ << " cloned node = " << target.name() << '\n';
    std::optional<XmlNode> copy = target.importChild(freshRoot);
    if (!copy) throw ImportError("cannot append " + freshRoot.name() + " to the node " + target.name());
    xmlUnsetProp(copy->raw(), reinterpret_cast<const xmlChar*>("path"));

    std::optional<std::string> document = serialiseDocument(installed.get(), cause);
    if (!document) throw ImportError("cannot write " + installedPath + ": " + cause);
    std::string why = replaceFile(installedPath, *document);
    if (!why.empty()) throw ImportError(installedPath + " (" + why + ")");
    return true;
  } catch (const Error& e) {
    printTrace(e);
    return false;
  }
}

bool ImportDumps::isParameterFile(const std::string& path) {
  return path.find("Trans.xml") != std::string::npos;
}

void ImportDumps::printTrace(const std::exception& e) {
  out_.flush();
  err_ << e.what() << std::endl;
}

}  // namespace tev
