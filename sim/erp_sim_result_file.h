// ErpSimResultFile: the result files of queries with more than one row, as the back end leaves them in its
// result directory: one row per line, the values of a row separated by "~" (every empty value kept), lines
// ending with LF. An installation mounts that directory on the scanner server (or fetches from it by FTP);
// the simulator writes into the directory it is given and names the file in its reply ("1,99," + name, or
// "0~~" + name for an SQL request).
//
// Files are written whole (a temporary file renamed into place), so a reader never sees half a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace tev::sim {

class ErpSimResultFile {
 public:
  using Rows = std::vector<std::vector<std::string>>;

  // The file's text: one line per row.
  static std::string format(const Rows& rows);

  // Writes the rows to a new file in the directory (created when missing) and returns the file's name (no
  // directory). Names are stem + "_" + process id + "_" + a counter + ".txt", unique within the process and
  // across simulators sharing a directory; characters of stem outside [A-Za-z0-9_-] become "_". Throws
  // tev::Error naming the path when the file cannot be written.
  static std::string write(const std::string& directory, const Rows& rows, std::string_view stem = "qry");

  // Writes the rows to directory/name (replacing a file of that name) and returns the full path.
  static std::string writeAs(const std::string& directory, const std::string& name, const Rows& rows);
};

}  // namespace tev::sim
