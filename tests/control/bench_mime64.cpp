// Decoding speed of the control's Base64 decoder on argument strings of typical and large size.
#include <benchmark/benchmark.h>

#include <string>

#include "control/mime64.h"

namespace {

void BM_Mime64Decode(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<size_t>(state.range(0))) text += "saix7TsyMDI0";
  for (auto _ : state) {
    auto decoded = tabulon::control::Mime64Decode(text);
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Mime64Decode)->Arg(64)->Arg(4096)->Arg(1 << 20);

}  // namespace
