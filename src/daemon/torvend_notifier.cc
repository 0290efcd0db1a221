#include "daemon/torvend_notifier.h"

namespace tev {

namespace {

constexpr const char* kClosedText = "The daemon is shutting down";

}  // namespace

AdminReply TorvendNotifier::sendRequest(AdminRequest request) {
  std::lock_guard caller(callers_);
  std::unique_lock lock(mutex_);
  if (closed_) throw NotifierClosed(kClosedText);
  log_.log(6, "Sending Request: " + request.name);
  reply_.reset();
  request_ = std::move(request);
  changed_.notify_all();
  changed_.wait(lock, [this] { return reply_.has_value() || closed_; });
  if (!reply_) {
    request_.reset();
    throw NotifierClosed(kClosedText);
  }
  log_.log(6, "Received Reply");
  AdminReply reply = std::move(*reply_);
  reply_.reset();
  return reply;
}

AdminRequest TorvendNotifier::getRequest() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return request_.has_value(); });
  AdminRequest request = std::move(*request_);
  request_.reset();
  return request;
}

void TorvendNotifier::sendReply(AdminReply reply) {
  std::lock_guard lock(mutex_);
  reply_ = std::move(reply);
  changed_.notify_all();
}

void TorvendNotifier::close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace tev
