// A mail as the transport sends it: sender, recipient and blind-copy recipient, subject, the text, and
// either no attachments (a single-part "text/plain" mail) or a list of them (a "multipart/mixed" mail whose
// first part is the text and then one part per file, even when the list is empty).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/mail_address.h"

namespace tev {

// A file attached to a mail, read when the mail is sent, and the file name the mail gives it.
struct MailAttachment {
  std::string path;
  std::string fileName;
};

struct MailMessage {
  MailAddress from;
  MailAddress to;
  MailAddress bcc;
  std::string subject;
  std::string text;
  std::optional<std::vector<MailAttachment>> attachments;

  // The envelope recipients in order: To, then Bcc.
  std::vector<std::string> recipients() const { return {to.address(), bcc.address()}; }

  // The message's own header lines (without line ends), in this order: Date (now, by the process clock),
  // From, To, Message-ID, Subject. There is no Bcc line: a blind copy is an envelope recipient only.
  std::vector<std::string> headerLines() const;
};

}  // namespace tev
