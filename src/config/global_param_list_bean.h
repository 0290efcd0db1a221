// GlobalParamListBean: the installation's global parameter file (params / "global_param_list.xml"), with the
// template "empty.xml". Its paths always start at "/param_value_list". Paths, reads and writes: see
// ParamListBean.
#pragma once

#include "config/param_list_bean.h"

namespace tev {

class GlobalParamListBean : public ParamListBean {
 public:
  // Creates the logger. Until initialize, both beans hold no document.
  GlobalParamListBean() = default;

  // Writes the parameter document back to its file when more than 500 MB are free there. Throws XmlSaveError
  // when refused or when writing fails; the file is then unchanged.
  void saveGlobalParams() { saveDocument(); }
};

}  // namespace tev
