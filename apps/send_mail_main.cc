// SendMail <SMTP host address> <user name> <password> <from address> <to address> <subject> <body>
//          <file attachment>: sends one mail with one attached file, to try a mail server's settings.
#include <string>
#include <vector>

#include "common/exit_hook.h"
#include "util/send_mail.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tev::runMain([&] { return tev::SendMail::main(args); });
}
