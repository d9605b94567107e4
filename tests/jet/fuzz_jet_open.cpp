// libFuzzer target: a database image from memory, opened and read in full (every table,
// row and column, every index entry against its row, a seek into every index, and a
// query per table). Damage must end in a Status, never in a crash, a hang or a read
// outside a buffer. Seed corpus: tests/fuzz/corpus/fuzz_jet_open/ (run by scripts/fuzz).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/index.h"

namespace {

using tabulon::Status;
namespace jet = tabulon::jet;

// A status that damage can explain; anything else is a fault of the engine.
void Expect(const Status& st) {
  if (st.code() == Status::Code::kInternal) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jet::OpenOptions options;
  options.cache_pages = 32;
  auto db = jet::Database::OpenImage(std::string(reinterpret_cast<const char*>(data), size), options, "fuzz input");
  if (!db.ok()) {
    Expect(db.status());
    return 0;
  }
  Expect(jet::CheckDatabase(**db));
  for (const std::string& name : (*db)->TableNames(true)) {
    auto table = (*db)->GetTable(name);
    if (!table.ok()) continue;
    const jet::TableDef& def = (*table)->def();
    for (const jet::PhysicalIndex& index : def.physical_indexes) {
      jet::IndexCursor first((*db)->pager(), def, index);
      auto more = first.Next();
      if (!more.ok() || !*more) continue;
      jet::IndexCursor seek((*db)->pager(), def, index);
      Expect(seek.Seek(first.entry().key));
      (void)seek.Next();
    }
    if (name.find(']') == std::string::npos && !def.columns.empty()) {
      auto rs = (*db)->Query("select count(*) from [" + name + "] where [" + def.columns[0].name + "] is not null");
      if (!rs.ok()) Expect(rs.status());
    }
  }
  return 0;
}
