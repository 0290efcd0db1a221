#include "sim/erp_sim_reply.h"

#include "sim/erp_sim_request.h"

namespace tev::sim {

std::string ErpSimReply::line(std::string_view payload, std::string_view prefix) {
  std::string text;
  text.reserve(prefix.size() + 1 + payload.size());
  text += prefix;
  text += ' ';
  text += payload;
  return text;
}

std::string ErpSimReply::success(std::string_view message) {
  return "0,0," + std::string(message);
}

std::string ErpSimReply::record(const std::vector<std::string>& values) {
  return "1,98," + row(values);
}

std::string ErpSimReply::resultFile(std::string_view fileName) {
  return "1,99," + std::string(fileName);
}

std::string ErpSimReply::tolerance(std::string_view message, int errorNo) {
  return error(errorNo, message);
}

std::string ErpSimReply::error(int errorNo, std::string_view message) {
  return "1," + std::to_string(errorNo) + "," + std::string(message);
}

std::string ErpSimReply::errorList(const std::vector<std::pair<int, std::string>>& errors) {
  std::string payload;
  for (std::size_t i = 0; i < errors.size(); ++i) {
    if (i > 0) payload += kFs;
    payload += i == 0 ? "1," : "0,";
    payload += std::to_string(errors[i].first) + "," + errors[i].second;
  }
  return payload;
}

std::string ErpSimReply::driverFailure(std::string_view message) {
  return "1,0," + std::string(message);
}

std::string ErpSimReply::functionServerTimeout() {
  return driverFailure("ddc_monitor: Function server did not answer in time");
}

std::string ErpSimReply::sqlRow(const std::vector<std::string>& values) {
  return "0~~" + row(values);
}

std::string ErpSimReply::sqlResultFile(std::string_view fileName) {
  return "0~~" + std::string(fileName);
}

std::string ErpSimReply::sqlNoRows() {
  return "1~~";
}

std::string ErpSimReply::loginAccepted(std::string_view message) {
  return std::string("0") + kFs + "0" + kFs + std::string(message);
}

std::string ErpSimReply::loginRejected(std::string_view message, std::string_view code) {
  return std::string("1") + kFs + std::string(code) + kFs + std::string(message);
}

std::string ErpSimReply::row(const std::vector<std::string>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += '~';
    text += values[i];
  }
  return text;
}

}  // namespace tev::sim
