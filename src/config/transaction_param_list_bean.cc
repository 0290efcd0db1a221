#include "config/transaction_param_list_bean.h"

namespace tev {

TransactionParamListBean::TransactionParamListBean() : baseParamsPath(kRootPath) {}

std::optional<XmlNode> TransactionParamListBean::getParamNode(const ParamIds& ids,
                                                              const std::optional<ParamTypes>& types) {
  return getNode(getParamValuePath(ids, types));
}

void TransactionParamListBean::initialize(const std::string& paramFilePath,
                                          const std::string& templateFilePath,
                                          const std::optional<ParamIds>& baseIds) {
  initialize(paramFilePath, templateFilePath);
  setBaseParams(baseIds);
}

void TransactionParamListBean::saveParams() {
  saveDocument();
}

void TransactionParamListBean::setBaseParams(const std::optional<ParamIds>& /*baseIds*/) {
  baseParamsPath = kRootPath;
}

std::optional<std::string> TransactionParamListBean::requiredPath(const std::string& missingPrefix) const {
  std::size_t root = missingPrefix.find(kRootPath);
  if (root == std::string::npos) return std::nullopt;
  return missingPrefix.substr(root);
}

}  // namespace tev
