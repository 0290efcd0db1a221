// RequestHandler: mail to the installation's configured sender, used to report failed result-file fetches.
//
// Only the switch is read here (the parameter email / self); building and sending the message belongs to the
// mail utilities and is plugged in here when they exist: until then a switched-on mail is logged and not
// sent, and the result is false as for any mail that cannot be sent.

#include "engine/param_manager.h"
#include "gateway/request_handler.h"

namespace tev {

bool RequestHandler::sendMail(const std::string& subject, const std::string& /*text*/) {
  if (ctx.paramManager == nullptr) return false;
  bool self = false;
  try {
    self = ctx.paramManager->getBooleanParamValue({"email", "self"});
  } catch (const Error& e) {
    logger->error("{}", "Mail to the configured sender not sent: " + e.getMessage());
    return false;
  }
  if (!self) return false;
  logger->error("{}", "Mail to the configured sender is not available; not sent: " + subject);
  return false;
}

}  // namespace tev
