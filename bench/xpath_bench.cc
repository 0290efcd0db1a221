// XPath look-ups on a document the size of a settings file: 10 environments, each with 5 sections of 20 keys.
// Run by hand in a Release build: build-release/bench/xpath_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/log.h"
#include "xml/xml_query.h"
#include "xml/xml_query_bean.h"

namespace {

constexpr int kEnvironments = 10;
constexpr int kSections = 5;
constexpr int kKeys = 20;

std::string settingsText() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<environment_list>\n";
  for (int e = 0; e < kEnvironments; ++e) {
    xml += "  <environment id='env" + std::to_string(e) + "' relative_env='common'>\n";
    for (int s = 0; s < kSections; ++s) {
      xml += "    <section" + std::to_string(s) + ">\n";
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "key" + std::to_string(k);
        xml += "      <" + key + ">value " + std::to_string(e) + "." + std::to_string(s) + "." +
               std::to_string(k) + "</" + key + ">\n";
      }
      xml += "    </section" + std::to_string(s) + ">\n";
    }
    xml += "  </environment>\n";
  }
  return xml + "</environment_list>\n";
}

// The settings document written once to a temporary file, removed at exit; logging is quietened so that the
// "loaded" lines do not dominate the measurements.
const std::string& settingsFile() {
  struct File {
    std::string path;
    File() {
      tev::log::setLevel(spdlog::level::warn);
      path = (std::filesystem::temp_directory_path() / ("xpath_bench_" + std::to_string(::getpid()) + ".xml"))
                 .string();
      std::ofstream(path) << settingsText();
    }
    ~File() { std::filesystem::remove(path); }
  };
  static File file;
  return file.path;
}

void BM_LoadSettings(benchmark::State& state) {
  const std::string& path = settingsFile();
  for (auto _ : state) {
    tev::XMLQueryBean query;
    benchmark::DoNotOptimize(query.loadXMLDocument(path));
  }
}
BENCHMARK(BM_LoadSettings);

void BM_GetNodeValueByParsedExpr(benchmark::State& state) {
  tev::XMLQueryBean query;
  query.loadXMLDocument(settingsFile());
  const std::string format = "/environment_list/environment[@id='%s']/%s/%s";
  std::vector<std::vector<std::string>> args;
  for (int i = 0; i < 64; ++i)
    args.push_back({"env" + std::to_string(i % kEnvironments), "section" + std::to_string(i % kSections),
                    "key" + std::to_string((i * 7) % kKeys)});
  size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(query.getNodeValueByParsedExpr(format, args[i++ % args.size()]));
}
BENCHMARK(BM_GetNodeValueByParsedExpr);

void BM_GetNodeValue(benchmark::State& state) {
  tev::XMLQuery query;
  query.loadXMLDocument(settingsFile());
  std::vector<std::string> exprs;
  for (int i = 0; i < 64; ++i)
    exprs.push_back("/environment_list/environment[@id='env" + std::to_string(i % kEnvironments) +
                    "']/section" + std::to_string(i % kSections) + "/key" + std::to_string((i * 7) % kKeys));
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(query.getNodeValue(exprs[i++ % exprs.size()]));
}
BENCHMARK(BM_GetNodeValue);

}  // namespace
