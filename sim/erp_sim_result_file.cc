#include "sim/erp_sim_result_file.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <system_error>

#include "common/replace_file.h"
#include "sim/erp_sim_reply.h"

namespace tev::sim {
namespace {

std::atomic<unsigned long> fileCounter{0};

std::string safeStem(std::string_view stem) {
  std::string safe;
  for (char c : stem) {
    bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    safe += plain ? c : '_';
  }
  return safe.empty() ? "qry" : safe;
}

}  // namespace

std::string ErpSimResultFile::format(const Rows& rows) {
  std::string text;
  for (const auto& row : rows) {
    text += ErpSimReply::row(row);
    text += '\n';
  }
  return text;
}

std::string ErpSimResultFile::write(const std::string& directory, const Rows& rows, std::string_view stem) {
  std::string name =
      safeStem(stem) + "_" + std::to_string(::getpid()) + "_" + std::to_string(++fileCounter) + ".txt";
  writeAs(directory, name, rows);
  return name;
}

std::string ErpSimResultFile::writeAs(const std::string& directory, const std::string& name,
                                      const Rows& rows) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  std::string path = (std::filesystem::path(directory) / name).string();
  std::string cause = replaceFile(path, format(rows));
  if (!cause.empty()) throw Error("cannot write the result file " + path + ": " + cause);
  return path;
}

}  // namespace tev::sim
