#include "sim/erp_sim_client.h"

#include "common/tcp.h"

namespace tev::sim {

ErpSimClient::ErpSimClient(const std::string& host, int port, std::chrono::milliseconds timeout)
    : fd_(tcpConnect(host, port, timeout)), reader_(std::make_unique<LineReader>(fd_.get())) {
  setTcpNoDelay(fd_.get());
}

void ErpSimClient::send(std::string_view line) {
  std::string bytes(line);
  bytes += "\r\n";
  writeAll(fd_.get(), bytes);
}

void ErpSimClient::sendRaw(std::string_view bytes) {
  writeAll(fd_.get(), bytes);
}

LineResult ErpSimClient::read(std::chrono::milliseconds timeout) {
  return reader_->readLine(timeout);
}

std::string ErpSimClient::exchange(std::string_view line, std::chrono::milliseconds timeout) {
  send(line);
  LineResult result = read(timeout);
  return result.isLine() ? result.line : "";
}

void ErpSimClient::close() {
  reader_.reset();
  fd_.reset();
}

}  // namespace tev::sim
