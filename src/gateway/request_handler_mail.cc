// RequestHandler: mail to the installation's configured sender, used to report failed result-file fetches.
//
// The parameters of the group "email" give the switch (self), the SMTP server, the log-in and the sender;
// the mail goes from the sender to the sender itself (who also gets the blind copy every mail carries).
// pop3_host is read and not used. Nothing is written to standard output (in a scanner process it is the
// terminal): the failure line goes to the log with the error.

#include "engine/param_manager.h"
#include "gateway/request_handler.h"
#include "util/send_mail.h"

namespace tev {

bool RequestHandler::sendMail(const std::string& subject, const std::string& text) {
  if (ctx.paramManager == nullptr) return false;
  ParamManager& params = *ctx.paramManager;
  bool self = false;
  try {
    self = params.getBooleanParamValue({"email", "self"});
  } catch (const Error& e) {
    logger->error("{}", "Mail to the configured sender not sent: " + e.getMessage());
    return false;
  }
  if (!self) return false;
  try {
    std::string host = params.getParamValue({"email", "smtp_host"});
    params.getParamValue({"email", "pop3_host"});
    std::string userName = params.getParamValue({"email", "username"});
    std::string password = params.getParamValue({"email", "password"});
    std::string from = params.getParamValue({"email", "from_address"});
    SendMail::send(host, userName, password, from, from, subject, text, std::nullopt);
    return true;
  } catch (const std::exception& e) {
    logger->error(" **** SendMail Failed *** {}", e.what());
    return false;
  }
}

}  // namespace tev
