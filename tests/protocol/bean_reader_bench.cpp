// How long the reader takes for a result document of 10,000 module rows (native, libxml2).
#include <benchmark/benchmark.h>

#include "bean_documents.h"
#include "protocol/xml_bean_parser.h"

namespace tabulon {
namespace {

void BM_ParseModuleRows(benchmark::State& state) {
  const std::u16string text = testing::ModuleRowsDocument(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Result<std::unique_ptr<TCommonXmlBean>> bean = TXMLBeanParser::ParseXml(text);
    if (!bean.ok()) state.SkipWithError(bean.status().ToString().c_str());
    benchmark::DoNotOptimize(bean);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size() * 2));
}
BENCHMARK(BM_ParseModuleRows)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// The DOM's share: loading the text alone.
void BM_LoadModuleRows(benchmark::State& state) {
  const std::u16string text = testing::ModuleRowsDocument(static_cast<int>(state.range(0)));
  TXMLParser parser;
  for (auto _ : state) {
    Status status = parser.Load(text);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
  }
}
BENCHMARK(BM_LoadModuleRows)->Arg(10000)->Unit(benchmark::kMillisecond);

// Reading the rows back as the update pass does.
void BM_ReadRowsBack(benchmark::State& state) {
  Result<std::unique_ptr<TCommonXmlBean>> bean = TXMLBeanParser::ParseXml(testing::ModuleRowsDocument(10000));
  if (!bean.ok()) {
    state.SkipWithError(bean.status().ToString().c_str());
    return;
  }
  const char* cells[] = {"moduleType", "moduleCode", "moduleName", "id", "versionNumber", "filePath", "fileName"};
  for (auto _ : state) {
    const TItem* list = (*bean)->Items->FindItem("list1");
    size_t total = 0;
    for (int i = 0; const TItem* row = list->GetItem(i); ++i) {
      for (const char* cell : cells) total += row->GetValue(cell, false).size();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ReadRowsBack)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulon
