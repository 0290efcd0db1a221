#include "daemon/webscanner_listener.h"

#include <sys/socket.h>

#include <iostream>
#include <memory>

#include "common/error.h"
#include "common/fd.h"
#include "daemon/torvend.h"

namespace tev {

using namespace std::chrono_literals;

WebscannerListener::WebscannerListener(SystemLog& log, TorvendData& data) : log_(log), data_(data) {
  log_.setLog(*this, "WebscannerListener.log");
}

WebscannerListener::~WebscannerListener() {
  stop();
  log_.closeLog(*this);
}

void WebscannerListener::start() {
  ignoreSigpipe();
  thread_ = std::thread([this] { run(); });
}

void WebscannerListener::stop() {
  stopRequested_ = true;
  if (thread_.joinable()) thread_.join();
}

void WebscannerListener::startService(Torvend& torvend) {
  auto listener = std::make_shared<WebscannerListener>(torvend.systemLog(), torvend.torvendData());
  listener->start();
  torvend.keepService(std::move(listener));
}

void WebscannerListener::run() {
  try {
    startWebscannerListener();
  } catch (const std::exception& e) {
    std::cerr << SystemLogImpl::describe(e) << std::endl;
    log_.logStackTrace(*this, "Webscanner listener exiting", e);
  }
}

void WebscannerListener::startWebscannerListener() {
  log_.log(*this, 1, "Opening the webscanner listener at port: " + std::to_string(data_.webscannerPortNo));
  TcpListener listener = TcpListener::listen(data_.webscannerPortNo, false, kBacklog);
  port_ = listener.port();
  while (!stopRequested_) {
    log_.log(*this, 1, "Waiting for webscanner connection");
    std::optional<AcceptedConnection> connection;
    while (!stopRequested_ && !(connection = listener.acceptWithPeer(200ms))) {
    }
    if (!connection) break;
    try {
      attach(std::move(*connection));
    } catch (const std::exception& e) {
      log_.logStackTrace(*this, "Error with a webscanner connection", e);
    }
  }
}

void WebscannerListener::attach(AcceptedConnection connection) {
  log_.log(*this, 1, "webscanner connected from IP: " + connection.peerAddress);
  DevicePtr device = data_.currentSelectedDevice();
  if (!device) {
    writeAll(
        connection.fd.get(),
        data_.clearCapability() + "\r\n\r\n\r\nNo selected Device\r\nWebscanner connection\r\nTerminated");
    ::shutdown(connection.fd.get(), SHUT_WR);
    return;  // the connection closes here
  }
  std::lock_guard deviceLock(device->mutex);
  if (!device->connected) {
    writeAll(connection.fd.get(), data_.clearCapability() + "\r\n\r\n\r\nDevice " + device->name + "[" +
                                      device->ipAddress + "]\r\nis not connected");
  }
  device->webscanners.push_back(std::move(connection.fd));
}

}  // namespace tev
