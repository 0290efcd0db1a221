// ErpSimTemplate: a reply text of the rules file with placeholders filled from the request.
//
//   {FS}                        the separator 0x1C (XML cannot carry it)
//   {device} {user} {environment} {title}      header fields of the request line
//   {company} {server} {function}              of a function-server call or query
//   {query} {path}                             query number and function-server path of a query
//   {value:N}                   value N (from 0) of a function-server call
//   {arg:N}                     argument N (from 0) of a query ("~"-separated first value)
//   {login:N}                   text N (from 0) of a log-in request
//   {group:N}                   group N of the rule's regular expression (0: the whole match)
//   {file}                      the name of the result file the rule wrote
//   {{                          a single "{"
//
// A value that the request does not have gives "". An unknown placeholder or an unclosed "{" is refused
// when the template is parsed (ErpSimRulesError), so a typing mistake in the rules file shows at start-up.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/erp_sim_request.h"
#include "sim/erp_sim_rules_error.h"

namespace tev::sim {

struct ErpSimTemplateContext {
  const ErpSimRequest& request;
  const std::vector<std::string>* groups = nullptr;
  std::string file;
};

class ErpSimTemplate {
 public:
  ErpSimTemplate() = default;
  // Throws ErpSimRulesError for an unknown placeholder or a "{" without "}".
  static ErpSimTemplate parse(std::string_view text);

  std::string expand(const ErpSimTemplateContext& context) const;
  const std::string& text() const { return text_; }
  bool empty() const { return text_.empty(); }

 private:
  enum class Var {
    kLiteral,
    kFs,
    kDevice,
    kUser,
    kEnvironment,
    kTitle,
    kCompany,
    kServer,
    kFunction,
    kQuery,
    kPath,
    kFile,
    kValue,
    kArg,
    kLogin,
    kGroup
  };
  struct Segment {
    Var var = Var::kLiteral;
    std::string literal;
    std::size_t index = 0;
  };

  std::string text_;
  std::vector<Segment> segments_;
};

}  // namespace tev::sim
