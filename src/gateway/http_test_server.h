// A one-thread HTTP server on a loopback ephemeral port for the web-service tests: it answers every POST
// with the queued response (status and body; 200 and "" when none is queued), closes the connection, and
// records each request (method, path, Content-Type and body). Stops and joins in its destructor.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tev::testing {

class HttpTestServer {
 public:
  struct Request {
    std::string method;
    std::string path;
    std::string contentType;
    std::string body;
  };

  HttpTestServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("test HTTP server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~HttpTestServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void respond(int status, std::string body) {
    std::lock_guard lock(mutex_);
    responses_.emplace_back(status, std::move(body));
  }
  std::vector<Request> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    while (!stop_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (::poll(&waiting, 1, 50) <= 0) continue;
      int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      handle(fd);
      ::close(fd);
    }
  }

  void handle(int fd) {
    std::string data;
    char buffer[4096];
    std::size_t headerEnd = std::string::npos;
    std::size_t contentLength = 0;
    while (true) {
      if (headerEnd == std::string::npos) {
        headerEnd = data.find("\r\n\r\n");
        if (headerEnd != std::string::npos) {
          const std::size_t at = lower(data.substr(0, headerEnd)).find("content-length:");
          if (at != std::string::npos) contentLength = std::stoul(data.substr(at + 15));
        }
      }
      if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + contentLength) break;
      pollfd readable{fd, POLLIN, 0};
      if (::poll(&readable, 1, 5000) <= 0) return;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) return;
      data.append(buffer, static_cast<std::size_t>(n));
    }
    Request request;
    const std::string head = data.substr(0, headerEnd);
    request.method = head.substr(0, head.find(' '));
    const std::size_t pathStart = head.find(' ') + 1;
    request.path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
    const std::size_t type = lower(head).find("content-type:");
    if (type != std::string::npos) {
      std::size_t end = head.find("\r\n", type);
      request.contentType =
          head.substr(type + 13, end == std::string::npos ? std::string::npos : end - type - 13);
      while (!request.contentType.empty() && request.contentType.front() == ' ')
        request.contentType.erase(0, 1);
    }
    request.body = data.substr(headerEnd + 4, contentLength);
    std::pair<int, std::string> response{200, ""};
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
      if (!responses_.empty()) {
        response = responses_.front();
        responses_.pop_front();
      }
    }
    const std::string reply = "HTTP/1.1 " + std::to_string(response.first) +
                              " X\r\nContent-Type: text/xml\r\n" +
                              "Content-Length: " + std::to_string(response.second.size()) +
                              "\r\nConnection: close\r\n\r\n" + response.second;
    std::size_t written = 0;
    while (written < reply.size()) {
      const ssize_t n = ::send(fd, reply.data() + written, reply.size() - written, MSG_NOSIGNAL);
      if (n <= 0) return;
      written += static_cast<std::size_t>(n);
    }
  }

  static std::string lower(std::string text) {
    for (char& c : text)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::deque<std::pair<int, std::string>> responses_;
  std::vector<Request> requests_;
};

}  // namespace tev::testing
