#include "sim/erp_sim_request.h"

#include <cstdio>

#include "common/java_text.h"
#include "xml/libxml_guard.h"
#include "xml/xml_document.h"
#include "xml/xml_node.h"

namespace tev::sim {
namespace {

std::string joined(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string text;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) text += separator;
    text += pieces[i];
  }
  return text;
}

void parseFunctionServer(ErpSimRequest& request, std::string_view rest) {
  std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    request.parseNote = "function-server body without a comma after the company";
    return;
  }
  request.company = std::string(rest.substr(0, comma));
  std::vector<std::string> parts = splitKeepEmpty(rest.substr(comma + 1), ',');
  if (parts.size() < 3) {
    request.parseNote = "function string with fewer than three parts";
    return;
  }
  request.noOfParams = parts[0];
  request.server = parts[1];
  request.function = parts[2];
  request.values.assign(parts.begin() + 3, parts.end());
  request.kind = RequestKind::kFunctionServer;
  if (isQueryExecutor(request.function) && request.values.size() == 3) {
    request.kind = RequestKind::kQuery;
    if (!request.values[0].empty()) request.queryArgs = splitKeepEmpty(request.values[0], '~');
    request.functionServerPath = request.values[1];
    request.queryNo = request.values[2];
  }
}

void parseSql(ErpSimRequest& request, std::string_view rest) {
  std::size_t first = rest.find(kFs);
  std::size_t second = first == std::string_view::npos ? first : rest.find(kFs, first + 1);
  std::size_t third = second == std::string_view::npos ? second : rest.find(kFs, second + 1);
  if (third == std::string_view::npos) {
    request.parseNote = "SQL body with fewer than three separators";
    return;
  }
  request.sqlCompany = std::string(rest.substr(0, first));
  request.company = request.sqlCompany.substr(0, request.sqlCompany.find(','));
  request.rowKind = std::string(rest.substr(first + 1, second - first - 1));
  request.sqlText = std::string(rest.substr(third + 1));
  request.kind = RequestKind::kSqlQuery;
}

void parseLogin(ErpSimRequest& request, std::string_view rest) {
  if (!rest.starts_with("P ")) {
    request.parseNote = "log-in body without \"P \"";
    return;
  }
  request.loginValues = splitKeepEmpty(rest.substr(2), kFs);
  request.kind = RequestKind::kLogin;
}

std::string withoutPrefix(const std::string& name) {
  return name.starts_with("q0:") ? name.substr(3) : name;
}

XmlDocPtr parseQuietly(std::string_view text) {
  LibxmlGuard guard;
  std::string cause;
  return parseXmlText(std::string(text), cause);
}

void parseBusinessObject(ErpSimRequest& request) {
  XmlDocPtr doc = parseQuietly(request.body);
  xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) {
    request.parseNote = "business-object request that is not well-formed XML";
    return;
  }
  request.path = BackEndPath::kBusinessObject;
  int recordSet = 0;
  for (const XmlNode& child : XmlNode(root).elementChildren()) {
    if (child.name() == "ObjectName") request.objectName = child.textContent();
    if (child.name() == "MethodName") request.methodName = child.textContent();
    if (child.name() == "ComponentName") request.componentName = child.textContent();
    if (child.name() != "Parameters") continue;
    for (const XmlNode& set : child.elementChildren()) {
      std::vector<XmlNode> records = set.elementChildren();
      if (records.empty()) continue;
      std::vector<XmlNode> fields = records.front().elementChildren();
      if (recordSet == 0 && !fields.empty()) request.boiArguments = fields.front().textContent();
      if (recordSet == 1) {
        if (fields.size() > 0) request.server = fields[0].textContent();
        if (fields.size() > 1) request.function = fields[1].textContent();
        if (fields.size() > 2) request.customerPrefix = fields[2].textContent();
      }
      ++recordSet;
    }
  }
}

std::map<std::string, std::string> bdeRecord(const XmlNode& record, ErpSimRequest& request) {
  std::map<std::string, std::string> fields;
  for (const XmlNode& field : record.elementChildren()) {
    if (field.name().starts_with("q0:")) {
      request.bdeLines.push_back(bdeRecord(field, request));
      continue;
    }
    fields[field.name()] = field.textContent();
  }
  return fields;
}

void parseErpLn(ErpSimRequest& request, std::string_view rest) {
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) {
    request.parseNote = "ERP LN request without a blank after the company";
    return;
  }
  request.company = std::string(rest.substr(0, blank));
  XmlDocPtr doc = parseQuietly(rest.substr(blank + 1));
  xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) {
    request.parseNote = "ERP LN request that is not well-formed XML";
    return;
  }
  request.path = BackEndPath::kErpLn;
  for (const XmlNode& body : XmlNode(root).elementChildren()) {
    for (const XmlNode& call : body.elementChildren()) {
      std::string name = withoutPrefix(call.name());
      if (name.ends_with("Request")) name.resize(name.size() - 7);
      request.function = name;
      for (const XmlNode& area : call.elementChildren()) {
        for (const XmlNode& record : area.elementChildren()) {
          request.server = withoutPrefix(record.name());
          request.bdeRecords.push_back(bdeRecord(record, request));
        }
      }
    }
  }
}

void parseRoutedSql(ErpSimRequest& request, std::string_view rest) {
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    request.parseNote = "router SQL body without a comma after the company";
    return;
  }
  request.path = BackEndPath::kRoutedSql;
  request.company = std::string(rest.substr(0, comma));
  request.routedBody = std::string(rest.substr(comma + 1));
  std::vector<std::string> parts = splitKeepEmpty(request.routedBody, ',');
  if (parts.size() >= 2 && !parts[0].empty() &&
      parts[0].find_first_not_of("0123456789") == std::string::npos) {
    request.noOfParams = parts[0];
    request.function = parts[1];
    request.values.assign(parts.begin() + 2, parts.end());
    if (request.values.size() == 1 && request.values[0].empty() && request.noOfParams == "0")
      request.values.clear();
  }
}

std::vector<std::pair<std::string, std::string>> sytelineFields(const XmlNode& inputs, ErpSimRequest* lines) {
  std::vector<std::pair<std::string, std::string>> fields;
  for (const XmlNode& entry : inputs.elementChildren()) {
    std::vector<XmlNode> parts = entry.elementChildren();
    if (lines != nullptr && !parts.empty() && parts.front().name() == "inputs") {
      lines->sytelineLineName = parts.front().attribute("name").value_or("");
      lines->sytelineLineInputs = sytelineFields(parts.front(), nullptr);
      continue;
    }
    std::string name;
    std::string value;
    for (const XmlNode& part : parts) {
      if (part.name() == "name") name = part.textContent();
      if (part.name() == "value") value = part.textContent();
    }
    fields.emplace_back(name, value);
  }
  return fields;
}

void parseSyteline(ErpSimRequest& request) {
  XmlDocPtr doc = parseQuietly(trim(request.sqlText));
  xmlNodePtr root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return;  // an SQL query after all
  request.path = BackEndPath::kSyteline;
  const XmlNode document(root);
  request.sytelineRoot = document.name();
  for (const XmlNode& child : document.elementChildren()) {
    if (child.name() == "queryName" || child.name() == "updateName")
      request.sytelineName = child.textContent();
    if (child.name() == "inputs") request.sytelineInputs = sytelineFields(child, &request);
  }
}

}  // namespace

const char* toString(BackEndPath path) {
  switch (path) {
    case BackEndPath::kNone:
      return "none";
    case BackEndPath::kBusinessObject:
      return "business-object";
    case BackEndPath::kErpLn:
      return "erp-ln";
    case BackEndPath::kRoutedSql:
      return "routed-sql";
    case BackEndPath::kSyteline:
      return "syteline";
  }
  return "none";
}

const char* toString(RequestKind kind) {
  switch (kind) {
    case RequestKind::kFunctionServer:
      return "function-server";
    case RequestKind::kQuery:
      return "query";
    case RequestKind::kSqlQuery:
      return "sql";
    case RequestKind::kLogin:
      return "login";
    case RequestKind::kHandshake:
      return "handshake";
    case RequestKind::kOther:
      return "other";
  }
  return "other";
}

bool isQueryExecutor(std::string_view function) {
  return function.size() > 8 && function.starts_with("execute_") && function.ends_with("query");
}

ErpSimRequest parseRequest(std::string_view line) {
  ErpSimRequest request;
  request.raw = std::string(line);
  if (line == kHandshakeLine) {
    request.kind = RequestKind::kHandshake;
    return request;
  }

  std::size_t at[4];
  std::size_t from = 0;
  for (std::size_t& position : at) {
    position = line.find(kFs, from);
    if (position == std::string_view::npos) {
      request.body = request.raw;
      request.parseNote = "fewer than five fields";
      return request;
    }
    from = position + 1;
  }
  request.hasHeader = true;
  request.deviceId = std::string(line.substr(0, at[0]));
  request.user = std::string(line.substr(at[0] + 1, at[1] - at[0] - 1));
  request.environment = std::string(line.substr(at[1] + 1, at[2] - at[1] - 1));
  request.title = std::string(line.substr(at[2] + 1, at[3] - at[2] - 1));
  request.body = std::string(line.substr(at[3] + 1));

  std::string_view body = request.body;
  // The longer words first: " SQL" and " DDC" both start with a blank, "SQL" is a prefix of nothing else.
  for (std::string_view word : {" DDC", " SQL", "SQL", "LOGIN", "SOA", "<?xml"}) {
    if (!body.starts_with(word)) continue;
    request.kindWord = std::string(word);
    std::string_view rest = body.substr(word.size());
    if (word == " DDC") parseFunctionServer(request, rest);
    if (word == "SQL") parseSql(request, rest);
    if (word == "LOGIN") parseLogin(request, rest);
    if (word == "<?xml") parseBusinessObject(request);
    if (word == "SOA") parseErpLn(request, rest);
    if (word == " SQL") parseRoutedSql(request, rest);
    if (word == "SQL" && request.kind == RequestKind::kSqlQuery && trim(request.sqlText).starts_with("<"))
      parseSyteline(request);
    break;
  }
  return request;
}

std::string printable(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (c == kFs) {
      text += "<FS>";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    } else {
      text += c;
    }
  }
  return text;
}

std::string requestLine(const RequestHeader& header, std::string_view kindAndBody) {
  std::string line;
  for (const std::string* field : {&header.deviceId, &header.user, &header.environment, &header.title}) {
    line += *field;
    line += kFs;
  }
  line += kindAndBody;
  return line;
}

std::string functionServerBody(std::string_view company, std::string_view server, std::string_view function,
                               const std::vector<std::string>& values) {
  std::string body = " DDC";
  body += company;
  body += ',';
  body += std::to_string(values.size());
  body += ',';
  body += server;
  body += ',';
  body += function;
  for (const std::string& value : values) {
    body += ',';
    body += value;
  }
  return body;
}

std::string queryBody(std::string_view company, std::string_view server, std::string_view executor,
                      const std::vector<std::string>& args, std::string_view path, std::string_view queryNo) {
  return functionServerBody(company, server, executor,
                            {joined(args, "~"), std::string(path), std::string(queryNo)});
}

std::string sqlBody(std::string_view company, bool singleRow, std::string_view sqlText) {
  std::string body = "SQL";
  body += company;
  body += ',';
  body += company.substr(0, company.empty() ? 0 : company.size() - 1);
  body += kFs;
  body += singleRow ? "N" : "F";
  body += kFs;
  body += kFs;
  body += sqlText;
  return body;
}

std::string loginBody(const std::vector<std::string>& texts) {
  return "LOGINP " + joined(texts, std::string(1, kFs));
}

}  // namespace tev::sim
