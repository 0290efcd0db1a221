#include "util/mail_message.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/clock.h"
#include "util/mime_text.h"

namespace tev {
namespace {

// RFC 5322 date-time in local time: "Tue, 01 Jul 2025 10:52:37 +0200", with English names whatever the
// process's locale.
std::string dateHeader(Clock::time_point now) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  long offset = tm.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[tm.tm_wday % 7],
                tm.tm_mday, kMonths[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec,
                sign, offset / 60, offset % 60);
  return buf;
}

// This machine's name when it is a plain host name, else "localhost".
std::string localHostName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0') return "localhost";
  for (const char* p = buf; *p; ++p) {
    char c = *p;
    bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!ok) return "localhost";
  }
  return buf;
}

// "<millis.pid.counter@host>", unique within the machine.
std::string messageId(Clock::time_point now) {
  static std::atomic<unsigned long> counter{0};
  long long millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return "<" + std::to_string(millis) + "." + std::to_string(getpid()) + "." + std::to_string(++counter) +
         "@" + localHostName() + ">";
}

}  // namespace

std::vector<std::string> MailMessage::headerLines() const {
  Clock::time_point now = Clock::current().now();
  return {
      "Date: " + dateHeader(now),
      "From: " + from.toHeader(),
      "To: " + to.toHeader(),
      "Message-ID: " + messageId(now),
      mime::unstructuredHeader("Subject", subject),
  };
}

}  // namespace tev
