// Long values (Memo and OLE columns). The row holds a 12-byte field: a 30-bit length with
// two flag bits, a row pointer and four unused bytes. The data follows the field inline,
// fills one row of a long-value (LVAL) page, or is a chain of LVAL rows each starting with
// the row pointer of the next.
#pragma once

#include <string>

#include "base/status.h"
#include "jet/bytes.h"
#include "jet/pager.h"

namespace tabulon::jet {

enum class LongValueKind { kInline, kSinglePage, kMultiPage };

struct LongValueField {
  LongValueKind kind = LongValueKind::kInline;
  uint32_t length = 0;
  uint32_t first_row = 0;  // row pointer (single and multi page)
};

// Decodes the 12-byte field stored in the row.
Result<LongValueField> ParseLongValueField(ByteSpan field);

// The complete bytes of the long value whose field is `field`.
Result<std::string> ReadLongValue(Pager& pager, ByteSpan field);

}  // namespace tabulon::jet
