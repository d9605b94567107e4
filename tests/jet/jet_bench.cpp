// Benchmarks of the engine on the fixtures (preset "bench"): reading and rendering every
// table as jetdb export does, and an indexed equality lookup against a full scan.
// Fixtures: $TABULON_SHARED_DIR, else the shared folder beside the checkout.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "mdb_csv.h"

namespace {

namespace fs = std::filesystem;
namespace jet = tabulon::jet;

fs::path Fixtures() {
  const char* env = std::getenv("TABULON_SHARED_DIR");
  return fs::path(env && *env ? env : TABULON_DEFAULT_SHARED_DIR) / "fixtures" / "jet4";
}

std::unique_ptr<jet::Database> Open(const fs::path& path) {
  jet::OpenOptions options;
  if (path.filename() == "passwordV2000.mdb") options.password = "password";
  auto db = jet::Database::Open(path.string(), options);
  return db.ok() ? std::move(*db) : nullptr;
}

// Every table (system tables included) of every fixture, opened and exported to memory.
void BM_ExportAllFixtureTables(benchmark::State& state) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(Fixtures())) {
    if (e.path().extension() == ".mdb") files.push_back(e.path());
  }
  if (files.empty()) {
    state.SkipWithError("fixtures absent");
    return;
  }
  size_t bytes = 0, tables = 0;
  for (auto _ : state) {
    for (const fs::path& f : files) {
      auto db = Open(f);
      if (!db) continue;
      for (const std::string& name : db->TableNames(true)) {
        auto table = db->GetTable(name);
        if (!table.ok()) continue;
        std::string out;
        jet::TableScan scan(**table, jet::ScanOrder::kStorage);
        while (true) {
          auto more = scan.Next();
          if (!more.ok() || !*more) break;
          for (size_t i = 0; i < (*table)->def().columns.size(); ++i) {
            auto v = scan.row().Get(i);
            if (v.ok()) tabulon::jetdb::AppendCsvField((*table)->def().columns[i], *v, &out);
            out += ',';
          }
          out += '\n';
        }
        bytes += out.size();
        ++tables;
      }
    }
  }
  state.counters["tables"] = benchmark::Counter(static_cast<double>(tables), benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ExportAllFixtureTables)->Unit(benchmark::kMillisecond);

// One row of 512 by its key: through the index, and by evaluating every row.
void Lookup(benchmark::State& state, const char* where) {
  auto db = Open(Fixtures() / "compIndexTestV2000.mdb");
  if (!db) {
    state.SkipWithError("fixtures absent");
    return;
  }
  const std::string sql = std::string("select * from Table1 where ") + where;
  for (auto _ : state) {
    auto rs = db->Query(sql);
    if (!rs.ok() || rs->record_count() != 1) state.SkipWithError("query failed");
    benchmark::DoNotOptimize(rs);
  }
}
void BM_LookupIndexed(benchmark::State& state) { Lookup(state, "CD_AGENTE = 4006"); }
void BM_LookupScan(benchmark::State& state) { Lookup(state, "CD_AGENTE + 0 = 4006"); }
BENCHMARK(BM_LookupIndexed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupScan)->Unit(benchmark::kMicrosecond);

}  // namespace
