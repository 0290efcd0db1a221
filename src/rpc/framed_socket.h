// One connected socket that carries frames (frame.h) in both directions, every wait bounded by a
// deadline and, on the serving side, cut short by a wake descriptor (a pipe that becomes readable when the
// server stops). Used by RpcServer for each connection and by RpcClient for each call.
#pragma once

#include <chrono>
#include <string>

#include "common/fd.h"
#include "rpc/frame.h"

namespace tev::rpc {

class FramedSocket {
 public:
  using Deadline = std::chrono::steady_clock::time_point;
  // A deadline that never comes.
  static constexpr Deadline kNoDeadline = Deadline::max();

  enum class Status {
    kDone,     // read: a message arrived; write: all sent
    kEnd,      // the peer closed the connection, or it broke (cause() tells which)
    kTimeout,  // the deadline passed
    kWoken,    // the wake descriptor became readable
  };

  // The deadline timeout from now; kNoDeadline for a negative time-out or one too long to count.
  static Deadline deadlineAfter(std::chrono::milliseconds timeout);

  // Takes the connected socket (switched to non-blocking here). wakeFd -1: nothing wakes the waits.
  explicit FramedSocket(Fd fd, int wakeFd = -1);

  // Waits for the next message. kDone puts it into message. A bad frame throws ProtocolError.
  // stall (when not negative) also bounds each wait while part of a frame has arrived: a peer that stops
  // in the middle of a frame gives kTimeout after that long without new bytes.
  Status read(Json& message, Deadline deadline, std::chrono::milliseconds stall = kNoTimeout);
  // Sends one message (encodeFrame, so a message that cannot be encoded throws ProtocolError).
  Status write(const Json& message, Deadline deadline);

  // True while bytes of an unfinished frame have been received.
  bool midFrame() const { return reader_.hasPartial(); }
  // After kEnd: "closed by the peer" or the system's reason the connection broke.
  const std::string& cause() const { return cause_; }
  int fd() const { return fd_.get(); }

 private:
  // Waits until fd_ is ready for events (or the wake descriptor, or the deadline).
  Status waitFor(short events, Deadline deadline);

  Fd fd_;
  int wakeFd_;
  FrameReader reader_;
  std::string cause_;
};

}  // namespace tev::rpc
