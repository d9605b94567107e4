#include "jet/catalog.h"

#include "jet/annotate.h"
#include "jet/format.h"
#include "jet/table.h"

namespace tabulon::jet {

bool CatalogEntry::is_table() const { return (type & 0x7F) == format::kObjectTypeTable; }
bool CatalogEntry::system() const { return (flags & format::kObjectSystemFlags) != 0; }
uint32_t CatalogEntry::tdef_page() const { return static_cast<uint32_t>(id) & format::kObjectIdPageMask; }

Result<Catalog> Catalog::Read(Pager& pager) {
  Result<std::unique_ptr<Table>> table = Table::Open(pager, "MSysObjects", format::kCatalogTdefPage);
  if (!table.ok()) return Annotate(table.status(), "cannot read the catalog");
  const TableDef& def = (*table)->def();
  const int id = def.FindColumn("Id"), parent = def.FindColumn("ParentId"), name = def.FindColumn("Name"),
            type = def.FindColumn("Type"), flags = def.FindColumn("Flags");
  if (id < 0 || parent < 0 || name < 0 || type < 0 || flags < 0) {
    return Status::Corruption("the catalog table lacks one of its columns Id, ParentId, Name, Type, Flags");
  }
  Catalog catalog;
  TableScan scan(**table);
  while (true) {
    Result<bool> more = scan.Next();
    if (!more.ok()) return Annotate(more.status(), "cannot read the catalog");
    if (!*more) break;
    // Only the columns needed here: the catalog also holds long binary properties.
    Value values[5];
    const int columns[5] = {id, parent, name, type, flags};
    for (int i = 0; i < 5; ++i) {
      Result<Value> v = scan.row().Get(static_cast<size_t>(columns[i]));
      if (!v.ok()) return Annotate(v.status(), "cannot read the catalog");
      values[i] = std::move(*v);
    }
    auto number = [](const Value& v) -> int64_t {
      switch (v.kind()) {
        case Value::Kind::kByte: return v.byte();
        case Value::Kind::kInteger: return v.integer();
        case Value::Kind::kLong: return v.long_value();
        default: return 0;
      }
    };
    CatalogEntry entry;
    entry.id = static_cast<int32_t>(number(values[0]));
    entry.parent_id = static_cast<int32_t>(number(values[1]));
    if (values[2].kind() == Value::Kind::kText) entry.name = values[2].text();
    entry.type = static_cast<int16_t>(number(values[3]));
    entry.flags = static_cast<uint32_t>(number(values[4]));
    catalog.entries_.push_back(std::move(entry));
  }
  return catalog;
}

std::vector<const CatalogEntry*> Catalog::Tables(bool include_system) const {
  std::vector<const CatalogEntry*> out;
  for (const CatalogEntry& e : entries_) {
    if (e.is_table() && (include_system || !e.system())) out.push_back(&e);
  }
  return out;
}

const CatalogEntry* Catalog::FindTable(std::string_view name) const {
  for (const CatalogEntry& e : entries_) {
    if (e.is_table() && NamesEqual(e.name, name)) return &e;
  }
  return nullptr;
}

}  // namespace tabulon::jet
