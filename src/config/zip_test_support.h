// Test helpers for zip archives: write one from (name, bytes) pairs and read one back.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

namespace tev::testing {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Writes an archive; a name that ends with "/" becomes a directory entry.
inline void writeZip(const std::string& path, const Entries& entries) {
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  ASSERT_NE(archive, nullptr);
  for (const auto& [name, content] : entries) {
    if (!name.empty() && name.back() == '/') {
      ASSERT_GE(zip_dir_add(archive, name.substr(0, name.size() - 1).c_str(), 0), 0);
      continue;
    }
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    ASSERT_NE(source, nullptr);
    ASSERT_GE(zip_file_add(archive, name.c_str(), source, 0), 0);
  }
  ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

// Every entry of an archive with its bytes, in archive order.
inline Entries readZip(const std::string& path) {
  Entries entries;
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (archive == nullptr) return {{"<unreadable>", std::to_string(code)}};
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
    zip_stat_t stat;
    zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
    std::string content(stat.size, '\0');
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
    zip_fread(file, content.data(), stat.size);
    zip_fclose(file);
    entries.emplace_back(stat.name, content);
  }
  zip_discard(archive);
  return entries;
}

}  // namespace tev::testing
