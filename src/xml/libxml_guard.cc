#include "xml/libxml_guard.h"

#include <libxml/globals.h>
#include <libxml/parser.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace tev {
namespace {

void initialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

LibxmlGuard::LibxmlGuard() {
  initialiseOnce();
  previousStructured_ = xmlStructuredError;
  previousStructuredContext_ = xmlStructuredErrorContext;
  previousGeneric_ = xmlGenericError;
  previousGenericContext_ = xmlGenericErrorContext;
  xmlSetStructuredErrorFunc(this, &LibxmlGuard::onStructuredError);
  xmlSetGenericErrorFunc(this, &LibxmlGuard::onGenericError);
}

LibxmlGuard::~LibxmlGuard() {
  xmlSetStructuredErrorFunc(previousStructuredContext_, previousStructured_);
  xmlSetGenericErrorFunc(previousGenericContext_, previousGeneric_);
}

std::string LibxmlGuard::cause(const std::string& fallback) const {
  if (errors_.empty()) return fallback;
  std::string joined;
  for (const std::string& error : errors_) {
    if (!joined.empty()) joined += "; ";
    joined += error;
  }
  return joined;
}

void LibxmlGuard::onStructuredError(void* self, xmlErrorPtr error) {
  if (self == nullptr || error == nullptr || error->level == XML_ERR_WARNING) return;
  std::string text = trimmed(error->message != nullptr ? error->message : "unknown error");
  if (error->domain == XML_FROM_XPATH && error->str1 != nullptr) {
    text += " in \"" + std::string(error->str1) + "\" at character " + std::to_string(error->int1);
  } else if (error->line > 0) {
    text = "line " + std::to_string(error->line) + ": " + text;
  }
  static_cast<LibxmlGuard*>(self)->errors_.push_back(std::move(text));
}

void LibxmlGuard::onGenericError(void* self, const char* format, ...) {
  if (self == nullptr || format == nullptr) return;
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::string text = trimmed(buffer);
  if (!text.empty()) static_cast<LibxmlGuard*>(self)->errors_.push_back(std::move(text));
}

}  // namespace tev
