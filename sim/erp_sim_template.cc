#include "sim/erp_sim_template.h"

#include <charconv>
#include <optional>
#include <utility>

namespace tev::sim {
namespace {

const std::string& at(const std::vector<std::string>& list, std::size_t index) {
  static const std::string empty;
  return index < list.size() ? list[index] : empty;
}

}  // namespace

ErpSimTemplate ErpSimTemplate::parse(std::string_view text) {
  static const std::pair<std::string_view, Var> kNamed[] = {
      {"FS", Var::kFs},         {"device", Var::kDevice},
      {"user", Var::kUser},     {"environment", Var::kEnvironment},
      {"title", Var::kTitle},   {"company", Var::kCompany},
      {"server", Var::kServer}, {"function", Var::kFunction},
      {"query", Var::kQuery},   {"path", Var::kPath},
      {"file", Var::kFile}};
  static const std::pair<std::string_view, Var> kIndexed[] = {
      {"value", Var::kValue}, {"arg", Var::kArg}, {"login", Var::kLogin}, {"group", Var::kGroup}};

  ErpSimTemplate result;
  result.text_ = std::string(text);
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) result.segments_.push_back({Var::kLiteral, std::move(literal), 0});
    literal.clear();
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '{') {
      literal += text[i++];
      continue;
    }
    if (text.substr(i).starts_with("{{")) {
      literal += '{';
      i += 2;
      continue;
    }
    std::size_t close = text.find('}', i);
    if (close == std::string_view::npos)
      throw ErpSimRulesError("unclosed \"{\" in the template \"" + std::string(text) + "\"");
    std::string_view name = text.substr(i + 1, close - i - 1);
    std::optional<Segment> segment;
    for (const auto& [word, var] : kNamed)
      if (name == word) segment = Segment{var, "", 0};
    std::size_t colon = name.find(':');
    if (!segment && colon != std::string_view::npos) {
      std::string_view word = name.substr(0, colon);
      std::string_view digits = name.substr(colon + 1);
      std::size_t index = 0;
      auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
      bool number = !digits.empty() && error == std::errc() && end == digits.data() + digits.size();
      for (const auto& [indexedWord, var] : kIndexed)
        if (number && word == indexedWord) segment = Segment{var, "", index};
    }
    if (!segment)
      throw ErpSimRulesError("unknown placeholder {" + std::string(name) + "} in the template \"" +
                             std::string(text) + "\"");
    flush();
    result.segments_.push_back(std::move(*segment));
    i = close + 1;
  }
  flush();
  return result;
}

std::string ErpSimTemplate::expand(const ErpSimTemplateContext& context) const {
  const ErpSimRequest& r = context.request;
  static const std::vector<std::string> kNone;
  const std::vector<std::string>& groups = context.groups ? *context.groups : kNone;
  std::string out;
  for (const Segment& s : segments_) {
    switch (s.var) {
      case Var::kLiteral:
        out += s.literal;
        break;
      case Var::kFs:
        out += kFs;
        break;
      case Var::kDevice:
        out += r.deviceId;
        break;
      case Var::kUser:
        out += r.user;
        break;
      case Var::kEnvironment:
        out += r.environment;
        break;
      case Var::kTitle:
        out += r.title;
        break;
      case Var::kCompany:
        out += r.company;
        break;
      case Var::kServer:
        out += r.server;
        break;
      case Var::kFunction:
        out += r.function;
        break;
      case Var::kQuery:
        out += r.queryNo;
        break;
      case Var::kPath:
        out += r.functionServerPath;
        break;
      case Var::kFile:
        out += context.file;
        break;
      case Var::kValue:
        out += at(r.values, s.index);
        break;
      case Var::kArg:
        out += at(r.queryArgs, s.index);
        break;
      case Var::kLogin:
        out += at(r.loginValues, s.index);
        break;
      case Var::kGroup:
        out += at(groups, s.index);
        break;
    }
  }
  return out;
}

}  // namespace tev::sim
