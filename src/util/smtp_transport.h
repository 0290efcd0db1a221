// Hands a MailMessage to an SMTP server through libcurl.
//
// The server is the session's "mail.smtp.host" ("localhost" when unset or
// empty). The host text may end in ":port" ("mail.example.com:2525", "[::1]:2525"); without it the port is
// 25. When the session's "mail.smtp.auth" is "true" its authenticator gives the user name and password, used
// when the server offers authentication. No encryption and no time-outs of our own: the library's defaults
// apply. The envelope sender is From; the envelope recipients are To and then Bcc, and every one of them
// must be accepted, or the send fails.
//
// Every failure is a MailError carrying the library's message (connection refused, log-in denied, a
// recipient refused, an attachment that cannot be read), followed by " (server: <reply>)" when the server's
// last reply was a refusal, such as "Login denied (server: 535 5.7.8 Authentication credentials invalid)".
// Nothing is retried.
#pragma once

#include <string>

#include "util/mail_message.h"
#include "util/mail_session.h"

namespace tev {

class SmtpTransport {
 public:
  static void send(const MailSession& session, const MailMessage& message);

  // The server URL for a host text: "smtp://<host>:<port>". Throws MailError "Unknown SMTP host: <host>"
  // for a host text that is not a host name, an IP address or one of those with a port from 1 to 65535.
  static std::string serverUrl(const std::string& host);
};

}  // namespace tev
