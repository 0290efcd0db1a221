// The settings reader on a file the size of a real installation: common <- site <- warehouse, each with
// directories and nested parameters. Measures a full load and a hundred look-ups made from the warehouse
// environment, spread over all three levels (so most of them walk the relative_env chain).
// Run by hand in a Release build: build-release/bench/settings_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/log.h"
#include "config/vav_settings.h"

namespace {

constexpr int kSections = 8;
constexpr int kKeys = 15;
const char* const kLevels[] = {"common", "site", "warehouse"};

std::string settingsText() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<environment_list>\n";
  for (int level = 0; level < 3; ++level) {
    std::string env = kLevels[level];
    xml += "  <environment id=\"" + env + "\"";
    if (level > 0) xml += std::string(" relative_env=\"") + kLevels[level - 1] + "\"";
    xml += ">\n    <config_dir_list>\n";
    if (level == 0) xml += "      <config_dir id=\"DC\">/opt/tev</config_dir>\n";
    xml += "      <config_dir id=\"env_DC\" relative_dir=\"DC\">" + env + "</config_dir>\n";
    xml += "      <config_dir id=\"data\" relative_dir=\"env_DC\">data</config_dir>\n";
    xml += "    </config_dir_list>\n    <config_param_list>\n";
    // Each level owns its own sections: sec<level>_<n>.
    for (int s = 0; s < kSections; ++s) {
      xml += "      <config_param id=\"sec" + std::to_string(level) + "_" + std::to_string(s) + "\">\n";
      for (int k = 0; k < kKeys; ++k)
        xml += "        <config_param id=\"key" + std::to_string(k) + "\">" + env + " value " +
               std::to_string(k) + "</config_param>\n";
      xml += "      </config_param>\n";
    }
    xml += "    </config_param_list>\n  </environment>\n";
  }
  return xml + "</environment_list>\n";
}

const std::string& settingsFile() {
  struct File {
    std::string path;
    File() {
      tev::log::setLevel(
          spdlog::level::off);  // misses along the chain log errors; keep them out of the timing
      path =
          (std::filesystem::temp_directory_path() / ("settings_bench_" + std::to_string(::getpid()) + ".xml"))
              .string();
      std::ofstream(path) << settingsText();
    }
    ~File() { std::filesystem::remove(path); }
  };
  static File file;
  return file.path;
}

// A hundred look-ups from the warehouse: a third of the values in each level, plus directory paths.
std::vector<tev::SettingsPath> lookups() {
  std::vector<tev::SettingsPath> paths;
  for (int i = 0; i < 90; ++i)
    paths.push_back({"sec" + std::to_string(i % 3) + "_" + std::to_string(i % kSections),
                     "key" + std::to_string(i % kKeys)});
  return paths;
}

int runLookups(tev::VAVSettings& settings, const std::vector<tev::SettingsPath>& paths) {
  int found = 0;
  for (const auto& path : paths) found += settings.getConfigParamValue("warehouse", path).has_value();
  for (int i = 0; i < 5; ++i) found += settings.getConfigDirPath("warehouse", "data").has_value();
  for (int i = 0; i < 5; ++i) found += settings.getConfigDirPath("DC").has_value();
  return found;
}

void BM_SettingsLoad(benchmark::State& state) {
  const std::string& path = settingsFile();
  for (auto _ : state) {
    tev::VAVSettings settings(path);
    benchmark::DoNotOptimize(settings);
  }
}
BENCHMARK(BM_SettingsLoad);

void BM_HundredLookupsAlongTheChain(benchmark::State& state) {
  tev::VAVSettings settings(settingsFile());
  auto paths = lookups();
  if (runLookups(settings, paths) != 100) state.SkipWithError("a look-up found nothing");
  for (auto _ : state) benchmark::DoNotOptimize(runLookups(settings, paths));
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_HundredLookupsAlongTheChain);

void BM_LoadAndHundredLookups(benchmark::State& state) {
  const std::string& path = settingsFile();
  auto paths = lookups();
  for (auto _ : state) {
    tev::VAVSettings settings(path);
    benchmark::DoNotOptimize(runLookups(settings, paths));
  }
}
BENCHMARK(BM_LoadAndHundredLookups);

}  // namespace
