#include "sim/erp_sim_rules.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <regex>

#include "common/java_text.h"
#include "common/log.h"
#include "sim/erp_sim_reply.h"
#include "sim/erp_sim_result_file.h"
#include "sim/erp_sim_template.h"
#include "sim/erp_sim_xml.h"

namespace tev::sim {
namespace {

enum class RuleKind { kFunction, kQuery, kSql, kLogin, kOther };

struct Key {
  std::string column;
  ErpSimTemplate equals;
  bool optional = false;
};

struct AtLeast {
  std::string column;
  ErpSimTemplate value;
};

struct Join {
  std::string table;
  std::string column;
};

struct Column {
  std::string name;
  std::string from;
  std::optional<ErpSimTemplate> value;
};

struct RowsSpec {
  std::string table;
  std::string code;  // "98" or "99"; "" for SQL requests (the row kind decides)
  std::vector<Key> keys;
  std::vector<Join> joins;
  std::vector<Column> columns;
  std::optional<ErpSimTemplate> notFound;
};

struct Check {
  std::string table;
  std::vector<Key> keys;
  std::vector<AtLeast> atLeast;
  std::optional<ErpSimTemplate> value;
  std::optional<std::regex> pattern;
  ErpSimTemplate error;
};

struct Rule {
  RuleKind kind = RuleKind::kOther;
  std::string name;
  std::string server;
  std::string no;
  std::string id;
  std::string executor;
  std::optional<std::regex> match;
  std::chrono::milliseconds delay{0};
  std::vector<Check> checks;
  std::optional<ErpSimTemplate> reply;
  std::optional<RowsSpec> rows;
};

const std::string kDefaultNotFound = "1,1,No data found";

// trim() without a copy: in UTF-8 the characters up to U+0020 are exactly the bytes up to 0x20.
std::string_view trimmedView(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

std::optional<double> number(std::string_view text) {
  std::string trimmed = trim(text);
  double value = 0;
  auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
  return value;
}

// --- reading the rules file ------------------------------------------------------------------------------

class Reader {
 public:
  Reader(const ErpSimXml& xml, const ErpSimData& data) : xml_(xml), data_(data) {}

  std::vector<Rule> rules(const XmlNode& root) {
    std::vector<Rule> list;
    for (const XmlNode& node : root.elementChildren()) list.push_back(rule(node));
    return list;
  }

 private:
  Rule rule(const XmlNode& node) {
    Rule rule;
    std::string element = node.name();
    if (element == "function") {
      rule.kind = RuleKind::kFunction;
      xml_.expectAttributes(node, {"name", "server", "match", "delay_ms"});
    } else if (element == "query") {
      rule.kind = RuleKind::kQuery;
      xml_.expectAttributes(node, {"no", "id", "executor", "match", "delay_ms"});
    } else if (element == "sql") {
      rule.kind = RuleKind::kSql;
      xml_.expectAttributes(node, {"match", "delay_ms"});
    } else if (element == "login") {
      rule.kind = RuleKind::kLogin;
      xml_.expectAttributes(node, {"match", "delay_ms"});
    } else if (element == "other") {
      rule.kind = RuleKind::kOther;
      xml_.expectAttributes(node, {"match", "delay_ms"});
    } else {
      xml_.fail(node, "<" + element + "> is no rule (function, query, sql, login or other)");
    }
    rule.name = trim(ErpSimXml::optional(node, "name").value_or(""));
    rule.server = trim(ErpSimXml::optional(node, "server").value_or(""));
    rule.no = trim(ErpSimXml::optional(node, "no").value_or(""));
    rule.id = trim(ErpSimXml::optional(node, "id").value_or(""));
    rule.executor = trim(ErpSimXml::optional(node, "executor").value_or(""));
    if (auto match = ErpSimXml::optional(node, "match")) rule.match = regex(node, *match);
    if (auto delay = ErpSimXml::optional(node, "delay_ms")) {
      std::optional<double> ms = number(*delay);
      if (!ms || *ms < 0) xml_.fail(node, "delay_ms is not a number of milliseconds: \"" + *delay + "\"");
      rule.delay = std::chrono::milliseconds(static_cast<long long>(*ms));
    }

    for (const XmlNode& child : node.elementChildren()) {
      std::string name = child.name();
      if (rule.reply || rule.rows) xml_.fail(child, "<" + name + "> after the answer of the rule");
      if (name == "check") {
        rule.checks.push_back(check(child));
      } else if (name == "reply") {
        xml_.expectAttributes(child, {});
        rule.reply = templ(child, trim(child.textContent()));
      } else if (name == "rows") {
        if (rule.kind == RuleKind::kLogin || rule.kind == RuleKind::kOther)
          xml_.fail(child, "<rows> answers function-server calls, queries and SQL requests only");
        rule.rows = rows(child, rule.kind == RuleKind::kSql);
      } else {
        xml_.fail(child, "<" + name + "> found where <check>, <reply> or <rows> belongs");
      }
    }
    if (!rule.reply && !rule.rows) xml_.fail(node, "<" + element + "> has no <reply> and no <rows>");
    return rule;
  }

  Check check(const XmlNode& node) {
    xml_.expectAttributes(node, {"table", "value", "pattern", "error"});
    Check check;
    std::optional<std::string> error = ErpSimXml::optional(node, "error");
    if (!error) xml_.fail(node, "<check> needs the attribute \"error\"");
    check.error = templ(node, *error);
    check.table = trim(ErpSimXml::optional(node, "table").value_or(""));
    std::optional<std::string> value = ErpSimXml::optional(node, "value");
    std::optional<std::string> pattern = ErpSimXml::optional(node, "pattern");
    if (!check.table.empty()) {
      knownTable(node, check.table);
      if (value || pattern) xml_.fail(node, "<check> takes a table or a value and a pattern, not both");
      for (const XmlNode& child : node.elementChildren()) {
        if (child.name() == "key") {
          check.keys.push_back(key(child));
        } else if (child.name() == "at_least") {
          xml_.expectAttributes(child, {"column", "value"});
          check.atLeast.push_back({xml_.required(child, "column"), templ(child, attribute(child, "value"))});
        } else {
          xml_.fail(child, "<" + child.name() + "> found where <key> or <at_least> belongs");
        }
      }
    } else {
      if (!value || !pattern) xml_.fail(node, "<check> needs a table, or a value and a pattern");
      check.value = templ(node, *value);
      check.pattern = regex(node, *pattern);
      for (const XmlNode& child : node.elementChildren())
        xml_.fail(child, "<check> without a table has no <" + child.name() + ">");
    }
    return check;
  }

  RowsSpec rows(const XmlNode& node, bool sql) {
    if (sql) {
      xml_.expectAttributes(node, {"table", "not_found"});
    } else {
      xml_.expectAttributes(node, {"table", "code", "not_found"});
    }
    RowsSpec spec;
    spec.table = xml_.required(node, "table");
    knownTable(node, spec.table);
    if (!sql) {
      spec.code = trim(ErpSimXml::optional(node, "code").value_or("98"));
      if (spec.code != "98" && spec.code != "99")
        xml_.fail(node, "code is \"98\" or \"99\", not \"" + spec.code + "\"");
    }
    if (auto notFound = ErpSimXml::optional(node, "not_found")) spec.notFound = templ(node, *notFound);
    for (const XmlNode& child : node.elementChildren()) {
      std::string name = child.name();
      if (name == "key") {
        spec.keys.push_back(key(child));
      } else if (name == "join") {
        xml_.expectAttributes(child, {"table", "column"});
        Join join{xml_.required(child, "table"), xml_.required(child, "column")};
        knownTable(child, join.table);
        spec.joins.push_back(join);
      } else if (name == "column") {
        xml_.expectAttributes(child, {"name", "from", "value"});
        Column column;
        column.name = xml_.required(child, "name");
        column.from = trim(ErpSimXml::optional(child, "from").value_or(column.name));
        if (auto value = ErpSimXml::optional(child, "value")) column.value = templ(child, *value);
        spec.columns.push_back(std::move(column));
      } else {
        xml_.fail(child, "<" + name + "> found where <key>, <join> or <column> belongs");
      }
    }
    if (spec.columns.empty()) xml_.fail(node, "<rows> has no <column>");
    return spec;
  }

  Key key(const XmlNode& node) {
    xml_.expectAttributes(node, {"column", "equals", "optional"});
    Key key;
    key.column = xml_.required(node, "column");
    key.equals = templ(node, attribute(node, "equals"));
    key.optional = ErpSimXml::optional(node, "optional").value_or("no") == "yes";
    return key;
  }

  std::string attribute(const XmlNode& node, const std::string& name) {
    std::optional<std::string> value = ErpSimXml::optional(node, name);
    if (!value) xml_.fail(node, "<" + node.name() + "> needs the attribute \"" + name + "\"");
    return *value;
  }

  ErpSimTemplate templ(const XmlNode& node, const std::string& text) {
    try {
      return ErpSimTemplate::parse(text);
    } catch (const ErpSimRulesError& error) {
      xml_.fail(node, error.what());
    }
  }

  std::regex regex(const XmlNode& node, const std::string& text) {
    try {
      return std::regex(text, std::regex::ECMAScript);
    } catch (const std::regex_error& error) {
      xml_.fail(node, "invalid regular expression \"" + text + "\": " + error.what());
    }
  }

  void knownTable(const XmlNode& node, const std::string& table) {
    if (data_.table(table) == nullptr) xml_.fail(node, "the data has no table \"" + table + "\"");
  }

  const ErpSimXml& xml_;
  const ErpSimData& data_;
};

}  // namespace

struct ErpSimRules::Impl {
  std::vector<Rule> rules;
  ErpSimData data;
  std::string resultDirectory = ".";
  log::Logger logger = log::get("tev.sim.ErpSim");

  std::optional<ErpSimAction> tryKind(RuleKind kind, const ErpSimRequest& request) const;
  bool matches(const Rule& rule, const ErpSimRequest& request, std::vector<std::string>& groups) const;
  ErpSimAction respond(const Rule& rule, const ErpSimTemplateContext& context) const;
  bool passes(const Check& check, const ErpSimTemplateContext& context) const;
  // The rows whose keys match (at most limit), each as the values of the columns.
  std::vector<std::vector<std::string>> select(const RowsSpec& spec, const ErpSimTemplateContext& context,
                                               std::size_t limit) const;
  std::string answerRows(const RowsSpec& spec, const ErpSimTemplateContext& context) const;
  bool keyMatches(const ErpSimData::Row& row,
                  const std::vector<std::pair<std::string, std::string>>& keys) const;
  std::vector<std::pair<std::string, std::string>> expandKeys(const std::vector<Key>& keys,
                                                              const ErpSimTemplateContext& context) const;
};

std::optional<ErpSimAction> ErpSimRules::Impl::tryKind(RuleKind kind, const ErpSimRequest& request) const {
  for (const Rule& rule : rules) {
    if (rule.kind != kind) continue;
    std::vector<std::string> groups;
    if (!matches(rule, request, groups)) continue;
    ErpSimTemplateContext context{request, &groups, ""};
    return respond(rule, context);
  }
  return std::nullopt;
}

bool ErpSimRules::Impl::matches(const Rule& rule, const ErpSimRequest& request,
                                std::vector<std::string>& groups) const {
  if (!rule.name.empty() && rule.name != request.function) return false;
  if (!rule.server.empty() && !request.server.starts_with(rule.server)) return false;
  if (!rule.no.empty() && rule.no != trim(request.queryNo)) return false;
  if (!rule.executor.empty() && rule.executor != request.function) return false;
  if (rule.match) {
    const std::string& subject = rule.kind == RuleKind::kSql ? request.sqlText : request.raw;
    std::smatch found;
    if (!std::regex_search(subject, found, *rule.match)) return false;
    for (const auto& group : found) groups.push_back(group.str());
  }
  return true;
}

ErpSimAction ErpSimRules::Impl::respond(const Rule& rule, const ErpSimTemplateContext& context) const {
  std::string payload;
  bool failed = false;
  for (const Check& check : rule.checks) {
    if (!passes(check, context)) {
      payload = check.error.expand(context);
      failed = true;
      break;
    }
  }
  if (!failed) payload = rule.reply ? rule.reply->expand(context) : answerRows(*rule.rows, context);
  ErpSimAction action(payload);
  if (rule.delay.count() > 0) action.after(rule.delay);
  return action;
}

bool ErpSimRules::Impl::passes(const Check& check, const ErpSimTemplateContext& context) const {
  if (check.pattern) return std::regex_match(check.value->expand(context), *check.pattern);
  auto keys = expandKeys(check.keys, context);
  std::vector<std::pair<std::string, std::optional<double>>> limits;
  for (const AtLeast& atLeast : check.atLeast)
    limits.emplace_back(atLeast.column, number(atLeast.value.expand(context)));
  for (const ErpSimData::Row& row : *data.table(check.table)) {
    if (!keyMatches(row, keys)) continue;
    bool enough = true;
    for (const auto& [column, limit] : limits) {
      const std::string* value = ErpSimData::value(row, column);
      std::optional<double> have = value ? number(*value) : std::nullopt;
      enough = enough && limit && have && *have >= *limit;
    }
    if (enough) return true;
  }
  return false;
}

std::vector<std::pair<std::string, std::string>> ErpSimRules::Impl::expandKeys(
    const std::vector<Key>& keys, const ErpSimTemplateContext& context) const {
  std::vector<std::pair<std::string, std::string>> expanded;
  for (const Key& key : keys) {
    std::string value = trim(key.equals.expand(context));
    if (key.optional && value.empty()) continue;
    expanded.emplace_back(key.column, std::move(value));
  }
  return expanded;
}

bool ErpSimRules::Impl::keyMatches(const ErpSimData::Row& row,
                                   const std::vector<std::pair<std::string, std::string>>& keys) const {
  for (const auto& [column, wanted] : keys) {
    const std::string* value = ErpSimData::value(row, column);
    if (trimmedView(value ? *value : std::string_view()) != wanted) return false;
  }
  return true;
}

std::vector<std::vector<std::string>> ErpSimRules::Impl::select(const RowsSpec& spec,
                                                                const ErpSimTemplateContext& context,
                                                                std::size_t limit) const {
  auto keys = expandKeys(spec.keys, context);
  std::vector<std::vector<std::string>> result;
  for (const ErpSimData::Row& row : *data.table(spec.table)) {
    if (result.size() >= limit) break;
    if (!keyMatches(row, keys)) continue;
    ErpSimData::Row merged = row;
    for (const Join& join : spec.joins) {
      const std::string* on = ErpSimData::value(row, join.column);
      std::vector<std::pair<std::string, std::string>> joinKey{{join.column, trim(on ? *on : "")}};
      for (const ErpSimData::Row& other : *data.table(join.table)) {
        if (!keyMatches(other, joinKey)) continue;
        merged.insert(other.begin(), other.end());  // the row's own columns win
        break;
      }
    }
    std::vector<std::string> values;
    for (const Column& column : spec.columns) {
      if (column.value) {
        values.push_back(column.value->expand(context));
      } else {
        const std::string* value = ErpSimData::value(merged, column.from);
        values.push_back(value ? *value : "");
      }
    }
    result.push_back(std::move(values));
  }
  return result;
}

std::string ErpSimRules::Impl::answerRows(const RowsSpec& spec, const ErpSimTemplateContext& context) const {
  const ErpSimRequest& request = context.request;
  bool sql = request.kind == RequestKind::kSqlQuery;
  bool oneRow = sql ? request.rowKind == "N" : spec.code == "98";
  auto rows = select(spec, context, oneRow ? 1 : SIZE_MAX);
  if (rows.empty()) {
    if (spec.notFound) return spec.notFound->expand(context);
    return sql ? ErpSimReply::sqlNoRows() : kDefaultNotFound;
  }
  if (oneRow) return sql ? ErpSimReply::sqlRow(rows[0]) : ErpSimReply::record(rows[0]);

  std::string stem = sql                                   ? "sql"
                     : request.kind == RequestKind::kQuery ? "q" + trim(request.queryNo)
                                                           : request.function;
  std::string name;
  try {
    name = ErpSimResultFile::write(resultDirectory, rows, stem);
  } catch (const Error& error) {
    logger->error("{}", error.what());
    return ErpSimReply::driverFailure("Result file could not be written");
  }
  if (sql) return ErpSimReply::sqlResultFile(name);
  std::string path = request.functionServerPath;
  if (!path.empty() && !path.ends_with('/')) path += '/';
  return ErpSimReply::resultFile(path + name);
}

ErpSimRules::ErpSimRules(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ErpSimRules::ErpSimRules(ErpSimRules&&) noexcept = default;
ErpSimRules& ErpSimRules::operator=(ErpSimRules&&) noexcept = default;
ErpSimRules::~ErpSimRules() = default;

ErpSimRules ErpSimRules::load(const std::string& rulesPath) {
  ErpSimXml xml = ErpSimXml::load(rulesPath);
  XmlNode root = xml.root("erp_sim_rules");
  xml.expectAttributes(root, {"data"});
  auto impl = std::make_unique<Impl>();
  if (auto dataFile = ErpSimXml::optional(root, "data")) {
    std::filesystem::path dataPath = trim(*dataFile);
    if (dataPath.is_relative()) dataPath = std::filesystem::path(rulesPath).parent_path() / dataPath;
    impl->data = ErpSimData::load(dataPath.string());
  }
  impl->rules = Reader(xml, impl->data).rules(root);
  return ErpSimRules(std::move(impl));
}

ErpSimRules ErpSimRules::parse(const std::string& rulesXml, const std::string& dataXml) {
  auto impl = std::make_unique<Impl>();
  impl->data = ErpSimData::parse(dataXml, "data");
  ErpSimXml xml = ErpSimXml::parse(rulesXml, "rules");
  XmlNode root = xml.root("erp_sim_rules");
  xml.expectAttributes(root, {"data"});
  impl->rules = Reader(xml, impl->data).rules(root);
  return ErpSimRules(std::move(impl));
}

void ErpSimRules::setResultDirectory(std::string directory) {
  impl_->resultDirectory = std::move(directory);
}

const std::string& ErpSimRules::resultDirectory() const {
  return impl_->resultDirectory;
}

std::optional<ErpSimAction> ErpSimRules::answer(const ErpSimRequest& request) const {
  switch (request.kind) {
    case RequestKind::kFunctionServer:
      return impl_->tryKind(RuleKind::kFunction, request);
    case RequestKind::kQuery:
      if (auto action = impl_->tryKind(RuleKind::kQuery, request)) return action;
      return impl_->tryKind(RuleKind::kFunction, request);
    case RequestKind::kSqlQuery:
      return impl_->tryKind(RuleKind::kSql, request);
    case RequestKind::kLogin:
      return impl_->tryKind(RuleKind::kLogin, request);
    case RequestKind::kOther:
      return impl_->tryKind(RuleKind::kOther, request);
    case RequestKind::kHandshake:
      break;
  }
  return std::nullopt;
}

const ErpSimData& ErpSimRules::data() const {
  return impl_->data;
}

std::vector<ErpSimRules::QueryInfo> ErpSimRules::queries() const {
  std::vector<QueryInfo> list;
  for (const Rule& rule : impl_->rules) {
    if (rule.kind != RuleKind::kQuery) continue;
    QueryInfo info{rule.no, rule.id, rule.executor, "", {}};
    if (rule.rows) {
      info.code = rule.rows->code;
      for (const Column& column : rule.rows->columns) info.columns.push_back(column.name);
    }
    list.push_back(std::move(info));
  }
  return list;
}

std::vector<std::string> ErpSimRules::functions() const {
  std::vector<std::string> names;
  for (const Rule& rule : impl_->rules)
    if (rule.kind == RuleKind::kFunction && !rule.name.empty()) names.push_back(rule.name);
  return names;
}

}  // namespace tev::sim
