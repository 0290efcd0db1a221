// The start of a scanner process: from starting the program (VAVInterface, stream mode, on a copy of the demo
// installation with a router simulator) to the drawn login screen, and the process's resident memory at that
// point (counter rss_kB, read from /proc). Run it on a Release build: a sanitizer build measures the
// sanitizers.
//
// It finds the program beside the benchmark (<build>/apps/VAVInterface) and the demo through the build's
// CMakeCache.txt (the source directory); the environment variables TEV_VAV_INTERFACE_EXE and TEV_DEMO_DIR
// override either.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "../tests/session/scanner_process_driver.h"
#include "sim/erp_sim.h"

namespace {

using tev::testing::DemoCopy;
using tev::testing::ScannerProcess;
using tev::testing::ScannerScreen;

std::filesystem::path executableDirectory() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

std::optional<std::string> fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::string vavInterfaceProgram() {
  if (auto set = fromEnvironment("TEV_VAV_INTERFACE_EXE")) return *set;
  return (executableDirectory().parent_path() / "apps" / "VAVInterface").string();
}

std::string demoDirectory() {
  if (auto set = fromEnvironment("TEV_DEMO_DIR")) return *set;
  std::ifstream cache(executableDirectory().parent_path() / "CMakeCache.txt");
  const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
  for (std::string line; std::getline(cache, line);)
    if (line.rfind(key, 0) == 0) return line.substr(key.size()) + "/demo";
  return "demo";
}

// VmRSS of the process in kB (0 when it cannot be read).
double residentKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6);
  return 0;
}

void BM_ScannerProcessStartToLoginScreen(benchmark::State& state) {
  const std::string program = vavInterfaceProgram();
  if (!std::filesystem::exists(program)) {
    state.SkipWithError(("no scanner program at " + program).c_str());
    return;
  }
  tev::sim::ErpSim router;
  DemoCopy demo(demoDirectory());
  demo.setSetting("port", "7600", std::to_string(router.port()));

  double rss = 0;
  for (auto _ : state) {
    auto started = std::chrono::steady_clock::now();
    ScannerProcess process(program, demo.root(), {".", "vav_settings.xml", "BENCH1", "demo"},
                           demo.file("early_stderr.txt"));
    ScannerScreen screen(process.stdoutFd(), process.stdinFd());
    if (!screen.waitFor("BENCH1")) {
      state.SkipWithError("the login screen was not drawn");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    rss += residentKilobytes(process.child().pid());
    process.closeStdin();
    process.waitFor();
  }
  state.counters["rss_kB"] = benchmark::Counter(rss, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ScannerProcessStartToLoginScreen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
