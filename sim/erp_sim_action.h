// ErpSimAction: what the simulator does with one request: write a reply line (the usual case), write bytes
// exactly as given, or close the connection without a reply; optionally after a delay, preceded by other
// bytes (a stale line, garbage), split over several writes with pauses, and followed by a close.
//
//   sim.reply("0,0,Done");                                          // a reply line with this payload
//   sim.reply(ErpSimAction("1,98,A~B").after(200ms).splitInto(3, 20ms));
//   sim.reply(ErpSimAction::closeWithoutReply());
//   sim.reply(ErpSimAction::raw("\xff\xfe junk\r\n"));            // a malformed line
//   sim.reply(ErpSimAction("0,0,").precededBy("SKM stale~line\r\n").thenClose());
#pragma once

#include <chrono>
#include <string>

namespace tev::sim {

class ErpSimAction {
 public:
  enum class Kind {
    kReply,  // prefix, blank, payload, CR LF
    kRaw,    // the bytes as they are
    kClose,  // close the connection, write nothing (but what precededBy gives)
  };

  // A reply line with this payload.
  ErpSimAction(std::string payload) : kind_(Kind::kReply), text_(std::move(payload)) {}  // NOLINT: implicit
  ErpSimAction(const char* payload) : ErpSimAction(std::string(payload)) {}              // NOLINT: implicit

  static ErpSimAction raw(std::string bytes) { return ErpSimAction(Kind::kRaw, std::move(bytes)); }
  static ErpSimAction closeWithoutReply() { return ErpSimAction(Kind::kClose, ""); }

  // Wait this long before writing anything.
  ErpSimAction& after(std::chrono::milliseconds delay) {
    delay_ = delay;
    return *this;
  }
  // Write the reply in this many pieces (at least 1), pausing between them.
  ErpSimAction& splitInto(int parts, std::chrono::milliseconds pause) {
    parts_ = parts < 1 ? 1 : parts;
    pause_ = pause;
    return *this;
  }
  // Write these bytes first, in a write of their own.
  ErpSimAction& precededBy(std::string bytes) {
    before_ = std::move(bytes);
    return *this;
  }
  // Close the connection after the reply.
  ErpSimAction& thenClose() {
    close_ = true;
    return *this;
  }

  Kind kind() const { return kind_; }
  // The payload (kReply) or the bytes (kRaw).
  const std::string& text() const { return text_; }
  std::chrono::milliseconds delay() const { return delay_; }
  int parts() const { return parts_; }
  std::chrono::milliseconds pause() const { return pause_; }
  const std::string& before() const { return before_; }
  bool closes() const { return close_ || kind_ == Kind::kClose; }

  // The bytes of the reply itself (without what precededBy gives): "" for kClose.
  std::string bytes(const std::string& prefix) const;

 private:
  ErpSimAction(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

  Kind kind_;
  std::string text_;
  std::chrono::milliseconds delay_{0};
  int parts_ = 1;
  std::chrono::milliseconds pause_{0};
  std::string before_;
  bool close_ = false;
};

}  // namespace tev::sim
