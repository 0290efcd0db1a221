// RequestHandler::processPerlProcessRequest: the router requests an external Perl program asks the scanner
// process to send for it (see request_handler.h).
#include <algorithm>
#include <string>
#include <utility>

#include "common/java_text.h"
#include "gateway/request_handler.h"
#include "gateway/request_line.h"

namespace tev {
namespace {

// Characters of the function-server name after the second "," of a "DDC" body: the customer code follows.
constexpr int kServerNameLength = 9;

// Puts the terminal back into the context when the request ends, however it ends.
class TerminalAside {
 public:
  explicit TerminalAside(GatewayContext& context)
      : context_(context), terminal_(std::exchange(context.terminal, nullptr)) {}
  ~TerminalAside() { context_.terminal = terminal_; }
  TerminalAside(const TerminalAside&) = delete;
  TerminalAside& operator=(const TerminalAside&) = delete;

 private:
  GatewayContext& context_;
  TerminalEmulator* terminal_;
};

}  // namespace

std::string RequestHandler::processPerlProcessRequest(const std::string& request, const std::string& title) {
  // 1. The body: the program writes it after a blank, like the engine's own " DDC" bodies.
  const std::size_t blank = request.find(' ');
  std::string body = trim(blank == std::string::npos ? std::string_view(request)
                                                     : std::string_view(request).substr(blank + 1));

  // 2. The customer code goes after the function-server name.
  if (body.rfind("DDC", 0) == 0) {
    const std::optional<std::string> code = setting({"skerrymantle", "customer_code"});
    if (code && !trim(*code).empty()) {
      const std::size_t first = body.find(',');
      const std::size_t second = first == std::string::npos ? first : body.find(',', first + 1);
      const int at =
          second == std::string::npos ? -1 : charLength(body.substr(0, second + 1)) + kServerNameLength;
      if (at < 0 || at > charLength(body)) {
        logger->warn("{}", "No function-server name to append the customer code to; sent unchanged: " + body);
      } else {
        body = charSubstr(body, 0, at) + *code + charSubstr(body, at);
      }
    }
  }

  // 3. The request line with the Perl transaction's title.
  RequestHeader header = requestHeader(nullptr, true);
  header.title = title;
  std::string line = buildRequestLine(header, " " + body, logger);
  line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());

  // 4. and 5. The exchange. The program owns the screen and the reader thread owns the keyboard, so no
  // message may be shown (an error line would wait for a key nobody hands over): the caller reports.
  logger->info("{}", "Sending request\n" + line);
  TerminalAside aside(ctx);
  return exchange(line, ExchangeKind::kFunctionServer);
}

}  // namespace tev
