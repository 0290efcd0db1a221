// Sending one e-mail through an SMTP server that wants a user name and password: a plain-text mail, or a
// "multipart/mixed" mail whose first part is the text and then one part per attached file.
//
// Every send, in this order: puts "mail.smtp.host" = host and "mail.smtp.auth" = "true" into the
// process-wide property table; builds a MailAuthenticator from the user name and password; takes a
// MailSession of its own over those properties and that authenticator (so every send logs in with its own
// credentials); builds the message From the sender, To the recipient and Bcc
// the sender again, so the sender always gets a blind copy; and sends it to To and Bcc. The host text may
// carry a port ("host:2525"); without one the port is 25.
//
// Failures: a sender or recipient text that is not exactly one address throws AddressError ("Illegal
// address") and nothing is sent; everything else the library refuses (connection, log-in, a recipient, an
// attachment that cannot be read) throws MailError with the library's message. Nothing is retried, and the
// property table and the session stay as they are after a failure.
//
// The console lines of sendMessage and main go to standard error: in a scanner process standard output is
// the terminal.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "util/mail_message.h"

namespace tev {

class SendMail {
 public:
  // A plain-text mail. Writes " Into SendMessage Function in SendMail " first; on a failure writes
  // " **** SendMail Failed ***" and the error, then throws the same error on.
  static void sendMessage(const std::string& host, const std::string& userName, const std::string& password,
                          const std::string& from, const std::string& to, const std::string& subject,
                          const std::string& body);

  // One attached file, named by the path text exactly as given, directories included.
  static void sendMessageWithAttachment(const std::string& host, const std::string& userName,
                                        const std::string& password, const std::string& from,
                                        const std::string& to, const std::string& subject,
                                        const std::string& body, const std::string& attachment);
  // One part per file in list order, each named by its own name without directories. An empty list gives
  // a multipart mail with the text part only.
  static void sendMessageWithAttachment(const std::string& host, const std::string& userName,
                                        const std::string& password, const std::string& from,
                                        const std::string& to, const std::string& subject,
                                        const std::string& body,
                                        const std::vector<std::filesystem::path>& files);
  // One part per path in order, each named by the path text exactly as given. An empty array gives a
  // multipart mail with the text part only.
  static void sendMessageWithAttachment(const std::string& host, const std::string& userName,
                                        const std::string& password, const std::string& from,
                                        const std::string& to, const std::string& subject,
                                        const std::string& body, const std::vector<std::string>& paths);

  // The steps every form shares, without console lines: a plain-text mail when attachments is nullopt,
  // otherwise a multipart mail with those files. For callers that write their own console lines.
  static void send(const std::string& host, const std::string& userName, const std::string& password,
                   const std::string& from, const std::string& to, const std::string& subject,
                   const std::string& body, std::optional<std::vector<MailAttachment>> attachments);

  // The command-line test entry: host, user name, password, from, to, subject, body, file attachment.
  // With fewer than eight arguments prints the usage line and returns 0; otherwise prints the eight
  // arguments on one line separated by blanks (the password masked) and sends them with the single-file form
  // (returns 0, or 1 after printing the error when the send fails).
  static int main(const std::vector<std::string>& args);

  // The file name the list form gives a file: its last path component (trailing slashes ignored).
  static std::string baseName(const std::filesystem::path& file);
};

}  // namespace tev
