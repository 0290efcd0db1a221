// Writing a file so that it is either replaced whole or left as it was: the content goes to a temporary file
// in the same directory, is flushed to disk, and the temporary is renamed over the target. A crash or a full
// disk never leaves a truncated file; on failure the temporary is removed.
#pragma once

#include <string>

namespace tev {

// Replaces (or creates) the file at path with content. The new file keeps the permission bits of the file it
// replaces, or gets 0644 when there was none. Returns "" on success, otherwise the reason.
std::string replaceFile(const std::string& path, const std::string& content);

}  // namespace tev
