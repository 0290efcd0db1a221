#include "sim/erp_sim_journal.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "common/error.h"
#include "common/java_text.h"
#include "common/log.h"

namespace tev::sim {

ErpSimJournal::ErpSimJournal(const std::string& path)
    : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {
  if (!fd_) throw Error("cannot open the journal " + path + ": " + std::strerror(errno));
}

bool ErpSimJournal::accepts(const ErpSimRequest& request, const std::optional<ErpSimAction>& answer) {
  if (request.kind != RequestKind::kFunctionServer || !answer) return false;
  if (answer->kind() != ErpSimAction::Kind::kReply || answer->closes()) return false;
  const std::string& payload = answer->text();
  std::size_t first = payload.find(',');
  if (first == std::string::npos) return false;
  if (trim(payload.substr(0, first)) == "0") return true;
  std::size_t second = payload.find(',', first + 1);
  std::string errorNo =
      trim(payload.substr(first + 1, second == std::string::npos ? second : second - first - 1));
  return errorNo == "98" || errorNo == "99";
}

void ErpSimJournal::record(const ErpSimRequest& request, const std::optional<ErpSimAction>& answer) {
  if (!accepts(request, answer)) return;
  std::lock_guard<std::mutex> lock(mutex_);
  try {
    writeAll(fd_.get(), request.raw + "\n");
    ++written_;
  } catch (const Error& error) {
    ++failures_;
    log::get("tev.sim.ErpSim")->error("Journal {}: {}", path_, error.what());
  }
}

std::size_t ErpSimJournal::written() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return written_;
}

std::size_t ErpSimJournal::failures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failures_;
}

}  // namespace tev::sim
