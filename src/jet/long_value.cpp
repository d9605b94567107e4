#include "jet/long_value.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/format.h"

namespace tabulon::jet {

Result<LongValueField> ParseLongValueField(ByteSpan field) {
  if (field.size() < format::kLongValueHeaderSize) {
    return Status::Corruption("long value field is " + std::to_string(field.size()) + " bytes, shorter than its header");
  }
  uint32_t head = LoadU32(field.data());
  LongValueField out;
  out.length = head & format::kLongValueLengthMask;
  out.first_row = LoadU32(field.data() + 4);
  if (head & format::kLongValueInlineFlag) {
    out.kind = LongValueKind::kInline;
  } else if (head & format::kLongValueSinglePageFlag) {
    out.kind = LongValueKind::kSinglePage;
  } else {
    out.kind = LongValueKind::kMultiPage;
  }
  return out;
}

Result<std::string> ReadLongValue(Pager& pager, ByteSpan field) {
  Result<LongValueField> parsed = ParseLongValueField(field);
  if (!parsed.ok()) return parsed.status();
  const LongValueField& lv = *parsed;
  switch (lv.kind) {
    case LongValueKind::kInline: {
      ByteSpan data = field.subspan(format::kLongValueHeaderSize);
      if (data.size() < lv.length) {
        return Status::Corruption("inline long value claims " + std::to_string(lv.length) + " bytes but holds " +
                                  std::to_string(data.size()));
      }
      return std::string(reinterpret_cast<const char*>(data.data()), lv.length);
    }
    case LongValueKind::kSinglePage: {
      PageRef page;
      Result<ByteSpan> row = ReadRowAt(pager, RowId::FromPointer(lv.first_row), "long value", &page);
      if (!row.ok()) return row.status();
      if (row->size() < lv.length) {
        return Status::Corruption("long value at " + RowId::FromPointer(lv.first_row).ToString() + " claims " +
                                  std::to_string(lv.length) + " bytes but its row holds " + std::to_string(row->size()));
      }
      return std::string(reinterpret_cast<const char*>(row->data()), lv.length);
    }
    case LongValueKind::kMultiPage: {
      std::string out;
      out.reserve(std::min<uint32_t>(lv.length, 1u << 20));
      uint32_t next = lv.first_row;
      while (out.size() < lv.length) {
        if (next == 0) {
          return Status::Corruption("long value chain ends after " + std::to_string(out.size()) + " of " +
                                    std::to_string(lv.length) + " bytes");
        }
        PageRef page;
        Result<ByteSpan> row = ReadRowAt(pager, RowId::FromPointer(next), "long value", &page);
        if (!row.ok()) return row.status();
        // Each link holds the next pointer and at least one byte, so the loop ends.
        if (row->size() <= 4) {
          return Status::Corruption("long value row " + RowId::FromPointer(next).ToString() + " holds no data");
        }
        next = LoadU32(row->data());
        size_t take = std::min<size_t>(row->size() - 4, lv.length - out.size());
        out.append(reinterpret_cast<const char*>(row->data() + 4), take);
      }
      return out;
    }
  }
  return Status::Internal("unknown long value kind");
}

}  // namespace tabulon::jet
