// Test helpers for the XML layer (and the common ones: a temporary directory, whole-file reads).
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/log.h"
#include "common/test_support.h"

namespace tev::testing {

// The failures reported in the log: error lines, and the traced look-ups that selected nothing.
inline std::vector<std::string> errors(const log::Capture& capture) {
  std::vector<std::string> texts;
  for (const log::Line& line : capture.lines())
    if (line.level == spdlog::level::err || line.text.starts_with("Error in looking for Expr: "))
      texts.push_back(line.text);
  return texts;
}

}  // namespace tev::testing
