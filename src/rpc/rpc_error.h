// Failures of the remote-call layer. Every failure a caller of a remote operation can see is a
// RemoteCallError (a tev::Error), so a caller that only wants to log and go on catches that one class;
// the subclasses say what went wrong for callers that care.
#pragma once

#include <string>

#include "common/error.h"

namespace tev::rpc {

// Any failure of a remote call: the registry or the object could not be reached, the call timed out or
// broke off, the remote side refused it or answered with an error.
class RemoteCallError : public Error {
 public:
  using Error::Error;
};

// Nothing answers at the naming registry's port (no process created a registry there).
class RegistryUnreachable : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// lookup or unbind of a name the registry does not hold.
class NotBound : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// bind of a name the registry already holds (rebind replaces instead).
class AlreadyBound : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// The remote object's endpoint refused the connection (its process ended, or it stopped serving).
class CallRefused : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// The connection or the reply did not come within the caller's time-out.
class CallTimeout : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// The connection broke off before the reply came (the serving process ended during the call).
class ConnectionLost : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// A frame or message that does not follow the protocol (bad length, not JSON, wrong shape).
class ProtocolError : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// The remote operation itself failed; the message is the remote side's error text, unchanged.
class RemoteError : public RemoteCallError {
 public:
  using RemoteCallError::RemoteCallError;
};

// Thrown by a serving operation whose arguments do not fit it; the caller receives it as a RemoteError.
class BadArguments : public Error {
 public:
  using Error::Error;
};

}  // namespace tev::rpc
