// TransactionParamListBean: a transaction's parameter file (params / transaction id + "Trans.xml") or a
// warehouse's copy of it (params / warehouse / transaction id + "Trans.xml"), with the template "empty.xml".
// The parameter manager reads through it; the administration site also edits and saves. Paths, reads and
// writes: see ParamListBean.
#pragma once

#include <optional>
#include <string>

#include "config/param_list_bean.h"

namespace tev {

class TransactionParamListBean : public ParamListBean {
 public:
  // Creates the logger; baseParamsPath is "/param_value_list". Until initialize, both beans hold no document.
  TransactionParamListBean();

  // The first element the path (array form) selects in the parameter file; with no ids the root element.
  // Nothing when nothing is selected. Throws IndexOutOfRange when types is given and shorter than ids.
  std::optional<XmlNode> getParamNode(const ParamIds& ids, const std::optional<ParamTypes>& types);

  using ParamListBean::initialize;
  // Loads both documents, then setBaseParams (baseIds).
  void initialize(const std::string& paramFilePath, const std::string& templateFilePath,
                  const std::optional<ParamIds>& baseIds);

  // Writes the parameter document back to its file when more than 500 MB are free there. Throws XmlSaveError
  // when refused or when writing fails; the file is then unchanged.
  void saveParams();

  // Resets baseParamsPath to "/param_value_list". The ids are not applied: the parameter manager puts the
  // base ids in front of the paths it asks for.
  void setBaseParams(const std::optional<ParamIds>& baseIds);

  const std::string& getBaseParamsPath() const { return baseParamsPath; }

 protected:
  const std::string& arrayFormBase() const override { return baseParamsPath; }
  // The missing prefix from the first "/param_value_list" on; nothing when it has none.
  std::optional<std::string> requiredPath(const std::string& missingPrefix) const override;

 private:
  std::string baseParamsPath;
};

}  // namespace tev
