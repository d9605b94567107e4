// libFuzzer target: the SQL parser and the evaluator on arbitrary text. Every statement
// that parses is dumped, and its expressions are evaluated over a row whose columns hold
// values of every type (chosen by the column name), so that no input crashes, hangs or
// reads out of bounds. The text key encoder and LIKE run on the input as well.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "jet/collation.h"
#include "jet/sql/dump.h"
#include "jet/sql/evaluator.h"
#include "jet/sql/parser.h"

namespace {

using namespace tabulon::jet;
using namespace tabulon::jet::sql;

class AnyRow : public RowAccessor {
 public:
  tabulon::Result<Value> GetColumn(const ColumnRef& column) const override {
    size_t h = std::hash<std::string>()(column.name);
    switch (h % 14) {
      case 0: return Value::Null();
      case 1: return Value::Boolean(h & 16);
      case 2: return Value::Byte(static_cast<uint8_t>(h >> 8));
      case 3: return Value::Integer(static_cast<int16_t>(h >> 8));
      case 4: return Value::Long(static_cast<int32_t>(h >> 8));
      case 5: return Value::Money(Currency{static_cast<int64_t>(h) >> 3});
      case 6: return Value::Double(static_cast<double>(h % 100000) / 7.0);
      case 7: return Value::Date(DateTime{static_cast<double>(h % 3000000) - 657000.0});
      case 8: return Value::Text(column.name);
      case 9: return Value::Bytes(column.name);
      case 10: return Value::Single(static_cast<float>(h % 1000) / 3.0f);
      case 11: {
        // Any bytes a damaged file could give, a scale beyond 28 included.
        Decimal d;
        d.negative = h & 1;
        d.scale = static_cast<uint8_t>(h >> 3);
        d.hi = (h >> 20) & 0xFFFFFFFF;
        d.lo = h * 0x9E3779B97F4A7C15ull;
        return Value::Number(d);
      }
      case 12: {
        Guid g;
        for (size_t i = 0; i < 16; ++i) g.bytes[i] = static_cast<uint8_t>(h >> (i % 8 * 8));
        return Value::Uuid(g);
      }
      default: return tabulon::Status::InvalidArgument("unknown column '" + column.name + "'");
    }
  }
};

void EvaluateAll(const Expr* e, const AnyRow& row) {
  if (!e) return;
  (void)Evaluate(*e, row);
  (void)EvaluateCondition(*e, row);
  if (ContainsAggregate(*e)) {
    Aggregator agg(*e);
    (void)agg.Add(row);
    (void)agg.Add(row);
    (void)agg.Finish();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  AnyRow row;
  auto statement = ParseStatement(text);
  if (statement.ok()) {
    (void)DumpStatement(*statement);
    const Statement& st = *statement;
    switch (st.kind()) {
      case StatementKind::kSelect: {
        const auto& s = st.as<SelectStatement>();
        for (const SelectItem& item : s.items) EvaluateAll(item.expr.get(), row);
        EvaluateAll(s.where.get(), row);
        for (const OrderItem& o : s.order_by) EvaluateAll(o.expr.get(), row);
        break;
      }
      case StatementKind::kInsert:
        for (const ExprPtr& v : st.as<InsertStatement>().values) EvaluateAll(v.get(), row);
        break;
      case StatementKind::kUpdate: {
        const auto& s = st.as<UpdateStatement>();
        for (const Assignment& a : s.assignments) EvaluateAll(a.value.get(), row);
        EvaluateAll(s.where.get(), row);
        break;
      }
      case StatementKind::kDelete:
        EvaluateAll(st.as<DeleteStatement>().where.get(), row);
        break;
      case StatementKind::kCreateTable:
        for (const ColumnDefinition& c : st.as<CreateTableStatement>().columns) EvaluateAll(c.default_value.get(), row);
        break;
      default:
        break;
    }
  }
  auto expr = ParseExpression(text);
  if (expr.ok()) {
    (void)DumpExpr(**expr);
    EvaluateAll(expr->get(), row);
  }
  // The text as a LIKE pattern against itself split in two, and as a key.
  size_t half = size / 2;
  (void)MatchLike(text.substr(0, half), text.substr(half));
  (void)TextIndexKey(text);
  (void)CompareText(text.substr(0, half), text.substr(half));
  return 0;
}
