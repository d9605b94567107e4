#include "jet/table.h"

#include "jet/annotate.h"
#include "jet/format.h"
#include "jet/usage_map.h"

namespace tabulon::jet {

namespace f = format;

Result<Value> Row::Get(size_t column) const {
  const TableDef& def = table_->def();
  if (column >= def.columns.size()) return Status::InvalidArgument("column position out of range");
  return ReadColumnValue(table_->pager(), layout_, def.columns[column]);
}

Result<std::vector<Value>> Row::GetAll() const {
  std::vector<Value> values;
  values.reserve(table_->def().columns.size());
  for (size_t i = 0; i < table_->def().columns.size(); ++i) {
    Result<Value> v = Get(i);
    if (!v.ok()) return v.status();
    values.push_back(std::move(*v));
  }
  return values;
}

Result<std::unique_ptr<Table>> Table::Open(Pager& pager, std::string name, uint32_t tdef_page) {
  Result<TableDef> def = TableDef::Read(pager, tdef_page);
  if (!def.ok()) return def.status();
  return std::unique_ptr<Table>(new Table(pager, std::move(name), std::move(*def)));
}

Result<const std::vector<uint32_t>*> Table::DataPages() const {
  if (!data_pages_) {
    Result<UsageMap> map = UsageMap::Read(*pager_, def_.used_pages);
    if (!map.ok()) return Annotate(map.status(), "table \"" + name_ + "\"");
    data_pages_ = map->pages();
  }
  return &*data_pages_;
}

namespace {

bool OwnedDataPage(const Page& page, uint32_t tdef_page) {
  return page.type() == f::PageType::kData && LoadU32(page.bytes().data() + f::kDataOwnerOffset) == tdef_page;
}

// Where an overflow header row points: one byte row number, three bytes page number.
Result<RowId> OverflowTarget(const Page& page, const RowSlot& slot) {
  if (slot.end - slot.start < 4) {
    return Status::Corruption("overflow row on page " + std::to_string(page.number()) + " is too short");
  }
  return RowId::FromPointer(LoadU32(page.bytes().data() + slot.start));
}

}  // namespace

Status Table::Resolve(const PageRef& page, RowId id, const RowSlot& slot, Row* row) const {
  PageRef cur_page = page;
  RowSlot cur = slot;
  RowId cur_id = id;
  // Jet moves a row at most once; allow a few hops and treat more as a loop.
  for (int hops = 0; cur.overflow; ++hops) {
    if (hops == 4) return Status::Corruption("row " + id.ToString() + " has an overflow chain that does not end");
    Result<RowId> target = OverflowTarget(*cur_page, cur);
    if (!target.ok()) return target.status();
    Result<PageRef> next = pager_->Read(target->page);
    if (!next.ok()) return next.status();
    if (!OwnedDataPage(**next, def_.tdef_page)) {
      return Status::Corruption("row " + id.ToString() + " of table \"" + name_ + "\" moved to page " +
                                std::to_string(target->page) + ", which is not one of the table's data pages");
    }
    Result<RowSlot> next_slot = ReadRowSlot(**next, target->row);
    if (!next_slot.ok()) return next_slot.status();
    cur_page = std::move(*next);
    cur = *next_slot;
    cur_id = *target;
  }
  Result<RowLayout> layout = RowLayout::Parse(def_, cur.bytes(*cur_page));
  if (!layout.ok()) {
    return Annotate(layout.status(), "row " + cur_id.ToString() + " of table \"" + name_ + "\"");
  }
  row->table_ = this;
  row->page_ = std::move(cur_page);
  row->layout_ = *layout;
  row->id_ = id;
  return Status::Ok();
}

Result<Row> Table::Fetch(RowId id) const {
  Result<PageRef> page = pager_->Read(id.page);
  if (!page.ok()) return page.status();
  if (!OwnedDataPage(**page, def_.tdef_page)) {
    return Status::Corruption("row " + id.ToString() + " is not on a data page of table \"" + name_ + "\"");
  }
  Result<RowSlot> slot = ReadRowSlot(**page, id.row);
  if (!slot.ok()) return slot.status();
  if (slot->deleted) return Status::NotFound("row " + id.ToString() + " is deleted");
  Row row;
  TABULON_RETURN_IF_ERROR(Resolve(*page, id, *slot, &row));
  return row;
}

Result<bool> TableScan::AdvancePage() {
  while (page_index_ < pages_->size()) {
    uint32_t number = (*pages_)[page_index_++];
    Result<PageRef> page = table_->pager().Read(number);
    if (!page.ok()) return page.status();
    // A usage map may mark pages that no longer hold this table's rows; skip them.
    if (!OwnedDataPage(**page, table_->def().tdef_page)) continue;
    Result<uint16_t> count = DataPageRowCount(**page);
    if (!count.ok()) return count.status();
    page_ = std::move(*page);
    slot_ = 0;
    slot_count_ = *count;
    return true;
  }
  return false;
}

Status TableScan::CollectMovedRows() {
  moved_rows_.emplace();
  for (uint32_t number : *pages_) {
    Result<PageRef> page = table_->pager().Read(number);
    if (!page.ok()) return page.status();
    if (!OwnedDataPage(**page, table_->def().tdef_page)) continue;
    Result<uint16_t> count = DataPageRowCount(**page);
    if (!count.ok()) return count.status();
    for (unsigned i = 0; i < *count; ++i) {
      Result<RowSlot> slot = ReadRowSlot(**page, i);
      if (!slot.ok()) return slot.status();
      if (slot->deleted || !slot->overflow) continue;
      Result<RowId> target = OverflowTarget(**page, *slot);
      if (!target.ok()) return target.status();
      moved_rows_->insert(*target);
    }
  }
  return Status::Ok();
}

Result<bool> TableScan::Next() {
  if (done_) return false;
  if (!started_) {
    started_ = true;
    Result<const std::vector<uint32_t>*> pages = table_->DataPages();
    if (!pages.ok()) return pages.status();
    pages_ = *pages;
  }
  while (true) {
    if (!page_ || slot_ >= slot_count_) {
      Result<bool> more = AdvancePage();
      if (!more.ok()) return more.status();
      if (!*more) {
        done_ = true;
        page_.reset();
        return false;
      }
      continue;
    }
    const RowId id{page_->number(), static_cast<uint8_t>(slot_)};
    Result<RowSlot> slot = ReadRowSlot(*page_, slot_++);
    if (!slot.ok()) return slot.status();
    if (order_ == ScanOrder::kLogical) {
      if (slot->deleted) continue;
      TABULON_RETURN_IF_ERROR(table_->Resolve(page_, id, *slot, &row_));
      return true;
    }
    // Storage order: skip header rows of moved rows; a row flagged deleted but not overflow
    // is the moved data of a live row when a live header points to it.
    if (slot->overflow) continue;
    if (slot->deleted) {
      if (!moved_rows_) TABULON_RETURN_IF_ERROR(CollectMovedRows());
      if (!moved_rows_->count(id)) continue;
      RowSlot data = *slot;
      data.deleted = false;
      TABULON_RETURN_IF_ERROR(table_->Resolve(page_, id, data, &row_));
      return true;
    }
    TABULON_RETURN_IF_ERROR(table_->Resolve(page_, id, *slot, &row_));
    return true;
  }
}

}  // namespace tabulon::jet
