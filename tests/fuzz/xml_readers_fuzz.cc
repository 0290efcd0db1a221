// The readers of our XML (and XML-named) files fed arbitrary file contents: the settings file, transaction
// definitions, the device list, the key list, parameter files, the device-type file and the label and message
// lists. Each reader is then asked what its callers ask, with the ids the file itself names.
//
// Input: one selector byte (its value modulo the number of readers), then the file's content.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "config/baan_field_def.h"
#include "config/device_type_info_parser.h"
#include "config/global_param_list_bean.h"
#include "config/label_list.h"
#include "config/message_list.h"
#include "config/transaction_param_list_bean.h"
#include "config/vav_settings.h"
#include "daemon/device_list_parser.h"
#include "engine/transaction.h"
#include "engine/transaction_xml_parser.h"
#include "fuzz_support.h"
#include "terminal/emulator_settings.h"
#include "terminal/term_key_parser.h"

namespace {

// The values of the first id="..." attributes of the text (either quote), at most max of them.
std::vector<std::string> idsNamedIn(std::string_view text, std::size_t max = 6) {
  std::vector<std::string> ids;
  std::size_t at = 0;
  while (ids.size() < max && (at = text.find("id=", at)) != std::string_view::npos) {
    at += 3;
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) continue;
    const char quote = text[at];
    const std::size_t end = text.find(quote, at + 1);
    if (end == std::string_view::npos) break;
    ids.emplace_back(text.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return ids;
}

template <typename Body>
void tolerate(Body body) {
  try {
    body();
  } catch (const tev::Error&) {
  }
}

void settingsFile(const std::string& path, const std::vector<std::string>& ids) {
  tev::VAVSettings settings;
  tolerate([&] { settings.intialize(path); });
  std::vector<std::string> envs = {tev::VAVSettings::COMMON};
  if (auto names = settings.getEnvironmentNamesList()) {
    for (std::size_t i = 0; i < names->size() && i < 4; ++i) envs.push_back((*names)[i]);
  }
  std::vector<std::string> keys = {"DC", "data", "log"};
  keys.insert(keys.end(), ids.begin(), ids.end());
  for (const std::string& env : envs) {
    (void)settings.getRelativeEnvironmentId(env);
    for (const std::string& key : keys) {
      tolerate([&] { (void)settings.getConfigDirPath(env, key); });
      tolerate([&] { (void)settings.getConfigFilePath(env, key); });
      tolerate([&] { (void)settings.getConfigParamValue(env, {key}); });
      tolerate([&] { (void)settings.getConfigParamValueCount(env, {key}); });
      tolerate([&] { (void)settings.getConfigParamValues(env, {key}); });
      tolerate([&] { (void)settings.loadIntSetting({key}, env); });
      tolerate([&] { (void)settings.loadBooleanSetting({key}, env); });
      for (const std::string& inner : keys) {
        tolerate([&] { (void)settings.getConfigParamValue(env, {key, inner}); });
      }
    }
  }
}

void transactionDefinition(const std::string& path) {
  static const tev::LabelList labels(
      tev::LabelList::Table{{"standard_comp_name", "Demo"}, {"item_lbl", "Item"}});
  static const tev::MessageList messages(tev::MessageList::Table{{"scan_item", "Scan item"}});
  tev::FieldDictionary dictionary = [](const std::string& id) -> std::optional<tev::BaanFieldDef> {
    if (id == "unknown") return std::nullopt;
    return tev::BaanFieldDef(id, "string", "left", "none", 16);
  };
  tev::TransactionXmlParser parser(labels, messages, dictionary);
  tolerate([&] {
    if (parser.loadXML(path)) (void)parser.getTransactionInfo();
  });
}

void deviceList(const std::string& path, const std::vector<std::string>& ids) {
  tev::DeviceListParser parser;
  parser.initialize(path);
  std::vector<std::string> devices = ids;
  if (auto listed = parser.getDeviceIds()) devices.insert(devices.end(), listed->begin(), listed->end());
  for (std::size_t i = 0; i < devices.size() && i < 10; ++i) {
    (void)parser.getDeviceIpAddr(devices[i]);
    (void)parser.getDeviceEnvironment(devices[i]);
    (void)parser.getDeviceType(devices[i]);
  }
}

void keyList(std::string_view text) {
  tev::TermKeyParser parser;
  tolerate([&] {
    parser.loadText(text);
    tev::EmulatorSettings settings = parser.getEmulatorSettings();
    (void)settings.isFunctionKey(text);
    (void)settings.isArrowKey(text);
    (void)settings.capability("kf3");
  });
  (void)parser.getKeyValue("kf1");
}

// What the parameter manager asks of a parameter file: values and nodes at the paths the file names, and a
// value set (copied from the template where the file lacks the path).
void askParameters(tev::ParamListBean& bean, const std::vector<std::string>& ids) {
  tev::ParamIds path1, path2;
  for (std::size_t i = 0; i < ids.size(); ++i) (i % 2 ? path2 : path1).push_back(ids[i]);
  for (const tev::ParamIds& idsPath : {path1, path2, tev::ParamIds{"email", "smtp_host"}}) {
    tev::ParamTypes types(idsPath.size());
    if (!types.empty()) types.back() = "t";
    (void)bean.getParamValue(idsPath, std::nullopt);
    (void)bean.getParamValue(idsPath, types);
    (void)bean.setParamValue(bean.getParamValuePath(idsPath, std::nullopt), "fuzz");
  }
}

void parameterFile(const std::string& path, const std::vector<std::string>& ids, bool global) {
  if (global) {
    tev::GlobalParamListBean bean;
    bean.initialize(path, TEV_DEMO_DIR "/config/empty.xml");
    askParameters(bean, ids);
  } else {
    tev::TransactionParamListBean bean;
    bean.initialize(path, TEV_DEMO_DIR "/config/empty.xml", tev::ParamIds{});
    (void)bean.getParamNode({}, std::nullopt);
    if (!ids.empty()) (void)bean.getParamNode({ids[0]}, std::nullopt);
    askParameters(bean, ids);
  }
}

void deviceTypes(const std::string& path, const std::vector<std::string>& ids) {
  tev::DeviceTypeInfoParser parser;
  tolerate([&] { parser.initialize(path); });
  for (const std::string& id : ids) (void)parser.getDeviceInfo(id);
}

void textTables(const std::string& path, const std::vector<std::string>& ids) {
  tolerate([&] {
    tev::LabelList labels = tev::LabelList::load(path, true);
    for (const std::string& id : ids) (void)labels.getLabel(id);
  });
  tolerate([&] {
    tev::MessageList messages = tev::MessageList::load(path, true);
    for (const std::string& id : ids) (void)messages.getMessage(id);
  });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tev::fuzz::silenceLogs();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tev::fuzz::Input in(data, size);
  const std::uint8_t selector = in.byte();
  const std::string_view content = in.rest();
  const std::vector<std::string> ids = idsNamedIn(content);
  const std::string path = tev::fuzz::scratch().write("input.xml", content);
  switch (selector % 8) {
    case 0:
      settingsFile(path, ids);
      break;
    case 1:
      transactionDefinition(path);
      break;
    case 2:
      deviceList(path, ids);
      break;
    case 3:
      keyList(content);
      break;
    case 4:
      parameterFile(path, ids, false);
      break;
    case 5:
      parameterFile(path, ids, true);
      break;
    case 6:
      deviceTypes(path, ids);
      break;
    default:
      textTables(path, ids);
      break;
  }
  return 0;
}
