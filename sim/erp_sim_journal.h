// ErpSimJournal: the booking journal of the erp-sim program (option --journal). Every function-server call
// the back end accepts is appended to the file as one line: the request line exactly as received (its FS
// bytes included, without its line end) and a line feed, written in one write() under a lock, so the line is
// in the file before the reply leaves the simulator and lines of concurrent connections never mix. A driver
// that counts bookings reads the file while the simulator runs.
//
// Accepted means: a function-server call (queries, SQL requests, log-ins and other lines are never
// journalled) answered with a reply line whose coded status is 0 ("0,0,Transfer booked"), or a data reply
// (error number 98 or 99); refusals, closes and raw bytes are not.
//
// The file is opened for appending (created when missing) and never truncated. Safe from any thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include "common/fd.h"
#include "sim/erp_sim_action.h"
#include "sim/erp_sim_request.h"

namespace tev::sim {

class ErpSimJournal {
 public:
  // Opens the file; throws tev::Error ("cannot open the journal <path>: <reason>") when it cannot.
  explicit ErpSimJournal(const std::string& path);

  // Whether the answer accepts the request as a booking (see above).
  static bool accepts(const ErpSimRequest& request, const std::optional<ErpSimAction>& answer);

  // Appends the request's line when the answer accepts it. A failed write is logged and counted, never
  // thrown: the reply still goes out.
  void record(const ErpSimRequest& request, const std::optional<ErpSimAction>& answer);

  const std::string& path() const { return path_; }
  // Lines written / writes that failed since the journal was opened.
  std::size_t written() const;
  std::size_t failures() const;

 private:
  std::string path_;
  Fd fd_;
  mutable std::mutex mutex_;
  std::size_t written_ = 0;
  std::size_t failures_ = 0;
};

}  // namespace tev::sim
