#include "config/text_table_builder.h"

#include <algorithm>
#include <filesystem>

#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev {
namespace {

const std::string kEnglish = "english";

std::string flag(bool value) {
  return value ? "true" : "false";
}

}  // namespace

TextTableBuilder::TextTableBuilder(TextTableKind kind, std::ostream& out, std::ostream& err)
    : kind(kind), out_(out), err_(err) {}

TextTableBuilder::~TextTableBuilder() = default;

bool TextTableBuilder::initializeTexts(const std::string& settingsFile, const std::string& environment,
                                       const std::string& language) {
  settingsXmlFilePath = settingsFile;
  environmentId = environment;
  this->language = language;
  vrcParser = std::make_unique<VRCParser>(settingsFile, environment);
  return true;
}

std::string TextTableBuilder::getTextsDirectory(const std::string& environment) {
  return kind == TextTableKind::Labels ? vrcParser->getLabelsDirectory(environment)
                                       : vrcParser->getMessagesDirectory(environment);
}

std::string TextTableBuilder::getTableFilePath() {
  return getTextsDirectory(environmentId) + "/" + language + ".dat";
}

TextTable TextTableBuilder::getTexts() {
  TextTable table;
  std::vector<std::string> chain = vrcParser->getRelativeEnvironments(environmentId);
  putLevel(VAVSettings::COMMON, kEnglish, table);
  if (language != kEnglish) putLevel(VAVSettings::COMMON, language, table);
  // The farthest ancestor (normally common itself) is not visited again.
  for (std::size_t i = chain.size() > 1 ? chain.size() - 1 : 0; i-- > 0;) {
    out_ << "Creating " << textTableKindName(kind) << " for environment: " << chain[i] << "\n";
    putLevel(chain[i], kEnglish, table);
    putLevel(chain[i], language, table);
  }
  putLevel(environmentId, kEnglish, table);
  putLevel(environmentId, language, table);
  return table;
}

void TextTableBuilder::putTexts(const std::string& environment, const std::string& language,
                                TextTable& table) {
  std::string directory = getTextsDirectory(environment) + "/" + language;
  out_ << "Looking for path: " << directory << "\n";
  std::error_code error;
  if (!std::filesystem::exists(directory, error)) return;
  std::vector<std::string> files;
  try {
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
      if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
  } catch (const std::filesystem::filesystem_error& e) {
    throw TableBuildError("Cannot list the directory " + directory + ": " + e.code().message());
  }
  // A fixed order, so that two files with the same id give the same table on every machine.
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) addSourceFile(file, table);
}

void TextTableBuilder::addSourceFile(const std::string& path, TextTable& table) {
  std::string cause;
  XmlDocPtr doc = parseXmlFile(path, cause);
  if (!doc) {
    err_ << "Error in parsing " << path << ": " << cause << "\n";
    return;
  }
  XmlNode root(xmlDocGetRootElement(doc.get()));
  auto child = root.firstChild();
  if (!child) return;
  auto text = child->value();
  if (!text) {
    std::string found =
        child->isElement() ? "the element <" + child->name() + ">" : "a " + child->name() + " node";
    err_ << "Skipped " << path << ": the root element <" << root.name() << "> holds " << found
         << " instead of a text\n";
    return;
  }
  table[root.attribute("id").value_or("")] = *text;
}

void TextTableBuilder::persistTexts() {
  VAVSettings& settings = vrcParser->getVavSettings();
  bool xml = settings.loadBooleanSetting({"encoding", "enable_xml_encoding"}, environmentId);
  bool text = settings.loadBooleanSetting({"encoding", "save_in_text_format"}, environmentId);
  TextTableForm form = textTableForm(xml, text);
  std::string path = getTableFilePath();
  TextTable table = getTexts();
  if (form == TextTableForm::Text) {
    for (const std::string& id : textFormUncarried(table))
      err_ << "Warning: the text of id " << id
           << " holds a \"|\" or a line break; the text form cannot carry it\n";
  }
  std::string what = textTableKindName(kind);
  bool labels = kind == TextTableKind::Labels;
  if (labels || form == TextTableForm::Stored) out_ << "*** saveInXmlFormat: " << flag(xml) << "\n";
  if (labels && form == TextTableForm::Stored) out_ << "*** saveInXmlFormat: " << flag(xml) << "\n";
  try {
    writeTextTable(path, table, kind, form);
  } catch (const TableFormatError& e) {
    throw TableBuildError(e.getMessage());
  }
  if (form == TextTableForm::Stored) {
    out_ << "Persisted " << what << " in file: " << path << "\n";
  } else if (labels) {
    out_ << (form == TextTableForm::Xml ? "*** Persisted labels in file using xml encoding: "
                                        : "*** Persisted labels in file using Text Format: ")
         << path << "\n";
  }
}

void TextTableBuilder::createTextsFile(const std::string& outputFile) {
  std::string listing;
  for (const auto& [id, text] : getTexts()) listing += id + "," + text + "\n";
  try {
    writeTableFile(outputFile, listing);
  } catch (const TableFormatError& e) {
    throw TableBuildError(e.getMessage());
  }
}

std::string TextTableBuilder::usage(TextTableKind kind) {
  return std::string("usage tev.framework.parser.") +
         (kind == TextTableKind::Labels ? "LabelParser" : "MessageParser") +
         " vavSettingsFile environmentName language";
}

int TextTableBuilder::run(TextTableBuilder& builder, const std::vector<std::string>& args) {
  if (args.size() <= 2) {
    builder.out() << usage(builder.kind) << "\n";
    return 0;
  }
  bool listing = args.size() == 4;
  if (!listing && builder.kind == TextTableKind::Labels)
    builder.out() << " into LabelParser .-----------------------------\n";
  try {
    builder.initializeTexts(args[0], args[1], args[2]);
    if (listing) {
      builder.createTextsFile(args[3]);
    } else {
      builder.persistTexts();
    }
  } catch (const Error& e) {
    builder.err() << "Failed to build the " << textTableKindName(builder.kind) << " table: " << e.getMessage()
                  << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tev
