// Test helpers for everything that reads its configuration through the settings file: a builder that writes
// vav_settings.xml (environments, directories, files, nested parameters), and a fixture that owns a temporary
// installation tree in which tests create the files a lookup should find.
//
// Typical use:
//   tev::testing::ConfigTree tree;                       // a temporary root directory
//   tree.settings().standardEnvironment("common");       // DC = the root, config, log, data of common
//   tree.settings().standardEnvironment("prod", "common");
//   tree.settings().param({"skerrymantle", "port"}, "7001");   // added to the last environment
//   tree.writeFile("env_prod/data/user_list.xml", "<user_list/>");
//   tev::VAVSettings settings(tree.writeSettings());
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "xml/xml_test_support.h"

namespace tev::testing {

// Builds the text of a settings file. Every adding operation works on the environment added last.
class SettingsFileBuilder {
 public:
  // Starts a new environment.
  SettingsFileBuilder& environment(const std::string& id,
                                   const std::optional<std::string>& relativeEnv = {}) {
    envs_.push_back(Env{id, relativeEnv, {}, {}, {}});
    return *this;
  }

  // Adds the usual directories of an environment, relative to the DC directory (which lookups find through
  // the relative environments unless the environment defines it):
  //   common:       DC = dcText (the tree root when built by ConfigTree), config = "config", log = "log",
  //                 data = "data" (all relative_dir DC)
  //   other <id>:   env_DC = "env_<id>" (relative_dir DC), data = "data", config = "config", log = "log",
  //                 barcode_label_files_path = "labels_def", barcode_label_output_dir = "label_out"
  //                 (all relative_dir env_DC)
  // For common, env_DC = "env_common" is added too. dcText is used only for common.
  SettingsFileBuilder& standardEnvironment(const std::string& id,
                                           const std::optional<std::string>& relativeEnv = {},
                                           const std::string& dcText = "") {
    environment(id, relativeEnv);
    if (id == "common") {
      dir("DC", dcText.empty() ? dcText_ : dcText);
      dir("config", "config", "DC");
      dir("log", "log", "DC");
      dir("data", "data", "DC");
      dir("env_DC", "env_common", "DC");
    } else {
      dir("env_DC", "env_" + id, "DC");
      dir("data", "data", "env_DC");
      dir("config", "config", "env_DC");
      dir("log", "log", "env_DC");
      dir("barcode_label_files_path", "labels_def", "env_DC");
      dir("barcode_label_output_dir", "label_out", "env_DC");
    }
    return *this;
  }

  // The text used for the DC directory of a standard common environment (ConfigTree sets it to its root).
  void setDefaultDcText(const std::string& text) { dcText_ = text; }

  SettingsFileBuilder& title(const std::string& text) {
    current().extraXml += "<title>" + escape(text) + "</title>";
    return *this;
  }

  // A config_dir entry; an empty text writes an empty element (which counts as absent).
  SettingsFileBuilder& dir(const std::string& id, const std::string& text,
                           const std::optional<std::string>& relativeDir = {}) {
    current().dirs.push_back(Entry{id, text, relativeDir});
    return *this;
  }

  // A config_file entry.
  SettingsFileBuilder& file(const std::string& id, const std::string& text,
                            const std::optional<std::string>& relativeDir = {}) {
    current().files.push_back(Entry{id, text, relativeDir});
    return *this;
  }

  // A config_param leaf at the settings path (sections first, key last). Missing sections are created; a step
  // that names an existing section uses the last sibling of that id. The key is always appended, so calling
  // twice with the same path gives a multi-valued setting. An empty value writes an empty element.
  SettingsFileBuilder& param(const std::vector<std::string>& path, const std::string& value) {
    if (path.empty()) throw std::invalid_argument("a settings path has at least one id");
    Param* parent = sectionFor(path, path.size() - 1);
    parent->children.push_back(Param{path.back(), value, {}, false});
    return *this;
  }

  // Appends a new (empty) section at the path, even when a sibling of that id exists: the following param()
  // calls through this path fill the new section (for several baan_server sections, for example).
  SettingsFileBuilder& section(const std::vector<std::string>& path) {
    if (path.empty()) throw std::invalid_argument("a settings path has at least one id");
    Param* parent = sectionFor(path, path.size() - 1);
    parent->children.push_back(Param{path.back(), std::nullopt, {}, true});
    return *this;
  }

  // Raw XML appended inside the environment element (after the lists).
  SettingsFileBuilder& rawXml(const std::string& xml) {
    current().extraXml += xml;
    return *this;
  }

  std::string xml() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<environment_list>\n";
    for (const Env& env : envs_) {
      out += "  <environment id=\"" + escape(env.id) + "\"";
      if (env.relativeEnv) out += " relative_env=\"" + escape(*env.relativeEnv) + "\"";
      out += ">\n";
      out += "    <config_dir_list>\n";
      for (const Entry& e : env.dirs) out += "      " + entryXml("config_dir", e) + "\n";
      out += "    </config_dir_list>\n    <config_file_list>\n";
      for (const Entry& e : env.files) out += "      " + entryXml("config_file", e) + "\n";
      out += "    </config_file_list>\n    <config_param_list>\n";
      for (const Param& p : env.params.children) paramXml(p, 3, out);
      out += "    </config_param_list>\n";
      if (!env.extraXml.empty()) out += "    " + env.extraXml + "\n";
      out += "  </environment>\n";
    }
    out += "</environment_list>\n";
    return out;
  }

  // Writes the text to the path (creating its directory) and returns the path.
  std::string write(const std::string& path) const {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream(path, std::ios::binary) << xml();
    return path;
  }

  static std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        default:
          out += c;
      }
    }
    return out;
  }

 private:
  struct Entry {
    std::string id;
    std::string text;
    std::optional<std::string> relativeDir;
  };
  struct Param {
    std::string id;
    std::optional<std::string> value;
    std::vector<Param> children;
    bool isSection = true;
  };
  struct Env {
    std::string id;
    std::optional<std::string> relativeEnv;
    std::vector<Entry> dirs;
    std::vector<Entry> files;
    std::string extraXml;
    Param params{"", std::nullopt, {}, true};
  };

  Env& current() {
    if (envs_.empty()) throw std::logic_error("add an environment first");
    return envs_.back();
  }

  // The section that holds the step `depth` of the path, creating missing sections on the way.
  Param* sectionFor(const std::vector<std::string>& path, size_t depth) {
    Param* node = &current().params;
    for (size_t i = 0; i < depth; ++i) {
      Param* next = nullptr;
      for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
        if (it->id == path[i] && it->isSection) {
          next = &*it;
          break;
        }
      }
      if (next == nullptr) {
        node->children.push_back(Param{path[i], std::nullopt, {}, true});
        next = &node->children.back();
      }
      node = next;
    }
    return node;
  }

  static std::string entryXml(const std::string& element, const Entry& e) {
    std::string out = "<" + element + " id=\"" + escape(e.id) + "\"";
    if (e.relativeDir) out += " relative_dir=\"" + escape(*e.relativeDir) + "\"";
    return out + ">" + escape(e.text) + "</" + element + ">";
  }

  static void paramXml(const Param& p, int indent, std::string& out) {
    std::string pad(static_cast<size_t>(indent) * 2, ' ');
    out += pad + "<config_param id=\"" + escape(p.id) + "\">";
    if (p.isSection && !p.children.empty()) {
      out += "\n";
      for (const Param& c : p.children) paramXml(c, indent + 1, out);
      out += pad;
    } else if (p.value) {
      out += escape(*p.value);
    }
    out += "</config_param>\n";
  }

  std::vector<Env> envs_;
  std::string dcText_;
};

// A temporary installation tree: its root is the DC directory of the standard common environment.
class ConfigTree {
 public:
  ConfigTree() { settings_.setDefaultDcText(dir_.path()); }

  const std::string& root() const { return dir_.path(); }
  // root + "/" + relative (no normalisation, as the locator joins).
  std::string path(const std::string& relative) const { return dir_.path() + "/" + relative; }

  SettingsFileBuilder& settings() { return settings_; }
  // Writes the settings file to root/vav_settings.xml (or the given relative name) and returns its path.
  std::string writeSettings(const std::string& name = "vav_settings.xml") const {
    return settings_.write(path(name));
  }

  // Writes a file below the root, creating its directories; returns the full path.
  std::string writeFile(const std::string& relative, const std::string& text = "") const {
    std::filesystem::path p(path(relative));
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  // Creates a directory (and its parents) below the root; returns the full path.
  std::string makeDir(const std::string& relative) const {
    std::filesystem::create_directories(path(relative));
    return path(relative);
  }

  // A service-pack descriptor at root/servicepack/<id>.xml listing the runtime hierarchy in order.
  std::string writeServicePackDescriptor(const std::string& id,
                                         const std::vector<std::string>& hierarchy) const {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<service_pack id=\"" +
                      SettingsFileBuilder::escape(id) +
                      "\">\n  <description>test pack</description>\n  <depends/>\n  <runtime_hierarchy>\n";
    for (const std::string& h : hierarchy)
      xml += "    <service_pack_id>" + SettingsFileBuilder::escape(h) + "</service_pack_id>\n";
    xml +=
        "  </runtime_hierarchy>\n  <custom_action_handler/>\n  <changed_framework_file_list/>\n"
        "  <new_framework_file_list/>\n  <affected_framework_data_file_list/>\n"
        "  <changed_environment_file_list/>\n  <new_environment_file_list/>\n"
        "  <affected_environment_data_file_list/>\n  <standard_action_list/>\n</service_pack>\n";
    return writeFile("servicepack/" + id + ".xml", xml);
  }

 private:
  TempDir dir_;
  SettingsFileBuilder settings_;
};

// Runs a test body with the demo directory as the working directory (the demo's installation root is ".").
// Needs TEV_DEMO_DIR, which the test targets define.
class InDemoDirectory {
 public:
  InDemoDirectory() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(TEV_DEMO_DIR);
  }
  ~InDemoDirectory() { std::filesystem::current_path(previous_); }
  InDemoDirectory(const InDemoDirectory&) = delete;
  InDemoDirectory& operator=(const InDemoDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace tev::testing
