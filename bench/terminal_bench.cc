// The terminal screen: drawing a full 16 x 20 form and reading one scanned field, over a socketpair to a
// scripted scanner whose screen model interprets every byte (on its own thread).
#include <benchmark/benchmark.h>

#include <string>

#include "sim/scripted_terminal.h"
#include "terminal/terminal_emulator.h"

namespace {

using tev::TerminalEmulator;
using tev::sim::ScriptedTerminal;

struct Session {
  Session() : emulator(peer.terminalFd(), peer.terminalFd()) {
    peer.keepScreens(false);
    emulator.intialize(peer.settings());
    peer.attach(emulator);
  }
  ScriptedTerminal peer;
  TerminalEmulator emulator;
};

// One form: a title, seven label / value pairs, a status line: every cell of the 16 x 20 screen written.
void drawForm(TerminalEmulator& t) {
  t.clear();
  t.display(1, 1, "  Goods Receipt     ", "reverse");
  for (int row = 2; row <= 15; ++row) {
    if (row % 2 == 0) {
      t.display(row, 1, "Label " + std::to_string(row) + std::string(row < 10 ? 13 : 12, '.'));
    } else {
      t.display(row, 1, "VALUE-" + std::to_string(row) + std::string(row < 10 ? 13 : 12, ' '), "underline");
    }
  }
  t.displayStatusMessage(std::string("Scan item"));
  t.setCursor(3, 1);
}

void BM_DrawFullForm(benchmark::State& state) {
  Session s;
  for (auto _ : state) drawForm(s.emulator);
  benchmark::DoNotOptimize(s.peer.screen().line(1));
}
BENCHMARK(BM_DrawFullForm);

void BM_ReadScannedField(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    s.peer.scan("ITEM-000123456789");
    s.emulator.setCursor(3, 1);
    benchmark::DoNotOptimize(s.emulator.readInput());
  }
}
BENCHMARK(BM_ReadScannedField);

void BM_DrawFormAndReadScannedField(benchmark::State& state) {
  Session s;
  for (auto _ : state) {
    drawForm(s.emulator);
    s.peer.scan("ITEM-000123456789");
    benchmark::DoNotOptimize(s.emulator.readInput());
  }
}
BENCHMARK(BM_DrawFormAndReadScannedField);

}  // namespace
