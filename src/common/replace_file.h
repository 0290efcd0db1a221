// Writing a file so that it is either replaced whole or left as it was: the content goes to a temporary file
// in the same directory, is flushed to disk, and the temporary is renamed over the target. A crash or a full
// disk never leaves a truncated file; on failure the temporary is removed.
//
// The temporary is named "." + the target's name + ".tmp-XXXXXX" (a hidden name with another ending), so a
// program that watches the directory for files of the target's kind never takes it for one.
#pragma once

#include <string>

namespace tev {

// Replaces (or creates) the file at path with content. The new file keeps the permission bits of the file it
// replaces, or gets 0644 when there was none. Returns "" on success, otherwise the reason.
std::string replaceFile(const std::string& path, const std::string& content);

// Outcome of the operations below, which never replace an existing file.
struct NoReplaceResult {
  enum class Status {
    done,             // the file is in place
    exists,           // the target already exists; nothing was changed
    otherFileSystem,  // (renameNoReplace) source and target are on different file systems; nothing changed
    failed,           // any other failure; nothing was changed
  };
  Status status = Status::done;
  // Why it was not done ("" when it was).
  std::string reason;

  explicit operator bool() const { return status == Status::done; }
};

// Creates the file at path with content, written and flushed under the temporary name above and then moved
// into place in one step, but only when no file of that name exists: an existing file is never overwritten,
// not even by a writer racing this one. The new file gets 0644.
NoReplaceResult createNewFile(const std::string& path, const std::string& content);

// Renames a file to a new name (possibly in another directory of the same file system) unless the new name
// already exists. Where the file system cannot refuse an existing target by itself, it is checked first.
NoReplaceResult renameNoReplace(const std::string& from, const std::string& to);

}  // namespace tev
