#include "gateway/router_reply.h"

#include <algorithm>

#include "common/error.h"
#include "common/java_number.h"
#include "common/java_text.h"

namespace tev::router {
namespace {

std::optional<int> strictInt(std::string_view text) {
  try {
    return parseInt(text);
  } catch (const NumberFormatError&) {
    return std::nullopt;
  }
}

}  // namespace

std::string normalizeReply(std::string_view line) {
  std::string text(line);
  std::replace(text.begin(), text.end(), '\n', ' ');
  return trim(text);
}

std::size_t payloadStart(std::string_view reply) {
  std::size_t blank = reply.find(' ');
  return blank == std::string_view::npos ? 0 : blank + 1;
}

std::string_view payloadOf(std::string_view reply) {
  return reply.substr(payloadStart(reply));
}

Condition classifyCondition(std::string_view payload) {
  if (payload == DOWN) return Condition::kDown;
  if (payload == BUSY) return Condition::kBusy;
  if (payload == NOT_FOUND) return Condition::kNotFound;
  if (payload == INVALID) return Condition::kInvalid;
  if (payload.find(TIMEOUT) != std::string_view::npos) return Condition::kTimeout;
  return Condition::kOther;
}

std::optional<Condition> findConditionInLine(std::string_view line) {
  const std::pair<std::string_view, Condition> words[] = {{DOWN, Condition::kDown},
                                                          {BUSY, Condition::kBusy},
                                                          {NOT_FOUND, Condition::kNotFound},
                                                          {INVALID, Condition::kInvalid},
                                                          {TIMEOUT, Condition::kTimeout}};
  for (const auto& [word, condition] : words)
    if (line.find(word) != std::string_view::npos) return condition;
  return std::nullopt;
}

CodedReply parseCodedReply(std::string_view reply) {
  CodedReply result;
  const std::size_t begin = payloadStart(reply);
  result.payload = std::string(reply.substr(begin));
  const std::size_t c1 = reply.find(',', begin);
  if (c1 == std::string_view::npos) {
    result.kind = CodedReply::Kind::kCondition;
    return result;
  }
  result.statusText = std::string(reply.substr(begin, c1 - begin));
  const std::size_t c2 = reply.find(',', c1 + 1);
  if (c2 == std::string_view::npos) {
    result.errorNoText = std::string(reply.substr(c1 + 1));
    return result;  // malformed
  }
  result.errorNoText = std::string(reply.substr(c1 + 1, c2 - c1 - 1));
  result.message = std::string(reply.substr(c2 + 1));
  std::optional<int> status = strictInt(result.statusText);
  std::optional<int> errorNo = strictInt(result.errorNoText);
  if (!status || !errorNo) return result;  // malformed
  result.status = *status;
  result.errorNo = *errorNo;
  result.kind = CodedReply::Kind::kCoded;
  return result;
}

std::vector<std::string> errorMessages(std::string_view payload) {
  std::vector<std::string> messages;
  for (const std::string& entry : splitKeepEmpty(payload, FS)) {
    if (entry.empty()) continue;
    std::size_t first = entry.find(',');
    std::size_t second = first == std::string::npos ? first : entry.find(',', first + 1);
    messages.push_back(second == std::string::npos ? entry : entry.substr(second + 1));
  }
  return messages;
}

SqlReply parseSqlReply(std::string_view reply) {
  SqlReply result;
  const std::size_t begin = payloadStart(reply);
  result.payload = std::string(reply.substr(begin));
  const std::size_t t1 = reply.find(TILDE, begin);
  if (t1 == std::string_view::npos || reply.substr(begin).starts_with("~~")) return result;  // condition
  result.kind = SqlReply::Kind::kData;
  result.status = std::string(reply.substr(begin, t1 - begin));
  const std::size_t t2 = reply.find(TILDE, t1 + 1);
  if (t2 == std::string_view::npos) {
    result.error = std::string(reply.substr(t1 + 1));
    return result;
  }
  result.error = std::string(reply.substr(t1 + 1, t2 - t1 - 1));
  result.data = std::string(reply.substr(t2 + 1));
  return result;
}

LoginReply parseLoginReply(std::string_view reply) {
  LoginReply result;
  const std::size_t begin = payloadStart(reply);
  result.payload = std::string(reply.substr(begin));
  const std::size_t c1 = reply.find(FS, begin);
  if (c1 == std::string_view::npos) return result;
  result.hasSeparator = true;
  result.statusText = std::string(reply.substr(begin, c1 - begin));
  const std::size_t c2 = reply.find(FS, c1 + 1);
  if (c2 == std::string_view::npos) {
    result.code = std::string(reply.substr(c1 + 1));
    return result;
  }
  result.code = std::string(reply.substr(c1 + 1, c2 - c1 - 1));
  result.message = std::string(reply.substr(c2 + 1));
  return result;
}

QryRow makeRecord(const std::vector<std::string>& names, const std::vector<std::string>& values) {
  QryRow record;
  const std::size_t count = std::min(names.size(), values.size());
  for (std::size_t i = 0; i < count; ++i) record[names[i]] = values[i];
  return record;
}

QryRow makeRecord(const std::vector<std::string>& names, std::string_view row) {
  return makeRecord(names, splitKeepEmpty(row, TILDE));
}

std::vector<std::string> getFromFields(std::string_view sql) {
  std::size_t select = sql.find("select");
  if (select == std::string_view::npos) return {};
  std::size_t begin = select + 6;
  std::size_t from = sql.find("from", begin);
  if (from == std::string_view::npos) return {};
  std::vector<std::string> names;
  for (const std::string& piece : split(sql.substr(begin, from - begin), ",")) names.push_back(trim(piece));
  return names;
}

}  // namespace tev::router
