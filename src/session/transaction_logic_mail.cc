// TransactionLogic: mail through the installation's mail parameters (group "email"). Nothing is written to
// standard output: the console lines of the mail utilities go to the process log here.
#include <exception>

#include "engine/param_manager.h"
#include "session/transaction_logic.h"
#include "session/vav_interface.h"
#include "util/send_mail.h"

namespace tev {

struct TransactionLogic::MailSettings {
  std::string smtpHost;
  std::string userName;
  std::string password;
  std::string fromAddress;
};

std::optional<TransactionLogic::MailSettings> TransactionLogic::readMailSettings() {
  if (paramManager == nullptr) throw TransactionLogicException("No parameters bound to the transaction");
  bool self = paramManager->getBooleanParamValue({"email", "self"});
  MailSettings settings;
  settings.smtpHost = paramManager->getParamValue({"email", "smtp_host"});
  paramManager->getParamValue({"email", "pop3_host"});  // read and not used
  settings.userName = paramManager->getParamValue({"email", "username"});
  settings.password = paramManager->getParamValue({"email", "password"});
  settings.fromAddress = paramManager->getParamValue({"email", "from_address"});
  if (!self) return std::nullopt;
  return settings;
}

bool TransactionLogic::sendWithAttachments(const std::string& subject, const std::string& body,
                                           const std::string& recipient,
                                           const std::optional<std::vector<MailAttachment>>& attachments) {
  try {
    std::optional<MailSettings> settings = readMailSettings();
    if (!settings) return false;
    VAVInterface::log(10, " Into SendMessage Function in SendMail ");
    try {
      SendMail::send(settings->smtpHost, settings->userName, settings->password, settings->fromAddress,
                     recipient, subject, body, attachments);
    } catch (const std::exception&) {
      VAVInterface::log(10, " **** SendMail Failed ***");
      throw;
    }
    return true;
  } catch (const std::exception& failure) {
    VAVInterface::logStackTrace(failure);
    return false;
  }
}

bool TransactionLogic::sendMail(const std::string& subject, const std::string& body,
                                const std::string& recipient) {
  return sendWithAttachments(subject, body, recipient, std::nullopt);
}

bool TransactionLogic::sendMailWithAttachment(const std::string& subject, const std::string& body,
                                              const std::string& recipient, const std::string& attachment) {
  return sendWithAttachments(subject, body, recipient, std::vector<MailAttachment>{{attachment, attachment}});
}

bool TransactionLogic::sendMailWithAttachment(const std::string& subject, const std::string& body,
                                              const std::string& recipient,
                                              const std::vector<std::filesystem::path>& files) {
  std::vector<MailAttachment> parts;
  for (const std::filesystem::path& file : files) parts.push_back({file.string(), SendMail::baseName(file)});
  return sendWithAttachments(subject, body, recipient, parts);
}

bool TransactionLogic::sendMailWithAttachment(const std::string& subject, const std::string& body,
                                              const std::string& recipient,
                                              const std::vector<std::string>& paths) {
  std::vector<MailAttachment> parts;
  for (const std::string& path : paths) parts.push_back({path, path});
  return sendWithAttachments(subject, body, recipient, parts);
}

}  // namespace tev
