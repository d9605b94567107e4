// Throughput of the SQL front: parsing the loader's statements, evaluating a WHERE over
// rows (ASCII and Chinese text), LIKE, and text keys and comparisons in the General sort
// order. Run: build/bench/bin/jet_sql_bench
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "jet/collation.h"
#include "jet/sql/evaluator.h"
#include "jet/sql/parser.h"

namespace tabulon::jet::sql {
namespace {

class Row : public RowAccessor {
 public:
  Row(std::string cls, std::string name) : class_(Value::Text(std::move(cls))), name_(Value::Text(std::move(name))) {}
  Result<Value> GetColumn(const ColumnRef& column) const override {
    if (column.index == 0) return class_;
    if (column.index == 1) return name_;
    return Status::InvalidArgument("unknown column '" + column.name + "'");
  }

 private:
  Value class_, name_;
};

ExprPtr Bound(const char* text) {
  ExprPtr e = ParseExpression(text).value();
  (void)BindColumns(*e, [](const ColumnRef& c) -> Result<int> { return c.name == "Class" ? 0 : 1; });
  return e;
}

void BM_ParseLoaderSelect(benchmark::State& state) {
  for (auto _ : state) {
    auto st = ParseStatement("select SysVal from SysConfig where Class='SYSTEM' and Name='AppVer'");
    benchmark::DoNotOptimize(st);
  }
}
BENCHMARK(BM_ParseLoaderSelect);

void BM_WhereAscii(benchmark::State& state) {
  ExprPtr e = Bound("Class='SYSTEM' and Name='AppVer'");
  Row row("system", "DownLoadUrl");
  for (auto _ : state) benchmark::DoNotOptimize(EvaluateCondition(*e, row));
}
BENCHMARK(BM_WhereAscii);

void BM_WhereChinese(benchmark::State& state) {
  ExprPtr e = Bound("Class='系统设置' and Name='应用版本'");
  Row row("系统设置", "下载地址");
  for (auto _ : state) benchmark::DoNotOptimize(EvaluateCondition(*e, row));
}
BENCHMARK(BM_WhereChinese);

void BM_Like(benchmark::State& state) {
  ExprPtr e = Bound("Name like '*load*url'");
  Row row("SYSTEM", "DownLoadUrl");
  for (auto _ : state) benchmark::DoNotOptimize(EvaluateCondition(*e, row));
}
BENCHMARK(BM_Like);

void BM_TextIndexKeyAscii(benchmark::State& state) {
  std::u16string text = u"MSysNavPaneGroupCategories";
  for (auto _ : state) benchmark::DoNotOptimize(TextIndexKey(text));
}
BENCHMARK(BM_TextIndexKeyAscii);

void BM_TextIndexKeyMixed(benchmark::State& state) {
  std::u16string text = u"Caf\u00E9-\u4E2D\u6587 Stra\u00DFe";
  for (auto _ : state) benchmark::DoNotOptimize(TextIndexKey(text));
}
BENCHMARK(BM_TextIndexKeyMixed);

void BM_CompareTextAscii(benchmark::State& state) {
  std::string a = "DatabaseVersion", b = "databaseversioN";
  for (auto _ : state) benchmark::DoNotOptimize(CompareText(std::string_view(a), std::string_view(b)));
}
BENCHMARK(BM_CompareTextAscii);

void BM_CompareTextChinese(benchmark::State& state) {
  std::string a = "财务报表转换系统", b = "财务报表转换系统 ";
  for (auto _ : state) benchmark::DoNotOptimize(CompareText(std::string_view(a), std::string_view(b)));
}
BENCHMARK(BM_CompareTextChinese);

}  // namespace
}  // namespace tabulon::jet::sql
