// Every call into libxml2 runs under a LibxmlGuard. The guard makes sure the library is initialised (once per
// process, whichever thread comes first) and, while it lives, routes every message libxml2 would print on the
// standard streams to itself instead: a scanner process uses standard output as its terminal channel, so the
// library must never write there (nor on standard error) by itself. The collected messages become the cause
// of a logged failure.
//
// libxml2 keeps its error handlers per thread; the guard installs its own for the current thread and restores
// the previous ones when it ends. Guards may nest (the inner one collects while it lives).
#pragma once

#include <libxml/xmlerror.h>

#include <string>
#include <vector>

namespace tev {

class LibxmlGuard {
 public:
  LibxmlGuard();
  ~LibxmlGuard();
  LibxmlGuard(const LibxmlGuard&) = delete;
  LibxmlGuard& operator=(const LibxmlGuard&) = delete;

  // The error messages collected so far (warnings left out), each as "line N: message" when libxml2 gave a
  // line.
  const std::vector<std::string>& errors() const { return errors_; }
  // The collected errors joined by "; ", or the fallback when there are none.
  std::string cause(const std::string& fallback) const;

 private:
  static void onStructuredError(void* self, xmlErrorPtr error);
  static void onGenericError(void* self, const char* format, ...);

  std::vector<std::string> errors_;
  xmlStructuredErrorFunc previousStructured_;
  void* previousStructuredContext_;
  xmlGenericErrorFunc previousGeneric_;
  void* previousGenericContext_;
};

}  // namespace tev
