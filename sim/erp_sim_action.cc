#include "sim/erp_sim_action.h"

#include "sim/erp_sim_reply.h"

namespace tev::sim {

std::string ErpSimAction::bytes(const std::string& prefix) const {
  switch (kind_) {
    case Kind::kReply:
      return ErpSimReply::line(text_, prefix) + "\r\n";
    case Kind::kRaw:
      return text_;
    case Kind::kClose:
      break;
  }
  return "";
}

}  // namespace tev::sim
