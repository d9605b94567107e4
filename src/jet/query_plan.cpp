#include "jet/query_plan.h"

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "jet/index_key.h"

namespace tabulon::jet {

using sql::BinaryOp;
using sql::Expr;
using sql::ExprKind;

namespace {

// A comparison of a column with a constant, oriented as "column op value".
struct Condition {
  size_t column = 0;
  BinaryOp op = BinaryOp::kEqual;  // kEqual, kLess, kLessEqual, kGreater, kGreaterEqual
  Value value;
};

// The constant an expression denotes: a literal, or a signed numeric literal.
std::optional<Value> Constant(const Expr& e) {
  if (e.kind == ExprKind::kLiteral) return e.value;
  if (e.kind == ExprKind::kUnary && e.operands.size() == 1 && e.unary_op != sql::UnaryOp::kNot) {
    std::optional<Value> v = Constant(*e.operands[0]);
    if (!v || e.unary_op == sql::UnaryOp::kPlus) return v;
    switch (v->kind()) {
      case Value::Kind::kInteger: return Value::Long(-int32_t{v->integer()});
      case Value::Kind::kLong:
        if (v->long_value() == std::numeric_limits<int32_t>::min()) return Value::Double(-double(v->long_value()));
        return Value::Long(-v->long_value());
      case Value::Kind::kDouble: return Value::Double(-v->double_value());
      case Value::Kind::kSingle: return Value::Single(-v->single());
      default: return std::nullopt;
    }
  }
  return std::nullopt;
}

BinaryOp Mirror(BinaryOp op) {
  switch (op) {
    case BinaryOp::kLess: return BinaryOp::kGreater;
    case BinaryOp::kLessEqual: return BinaryOp::kGreaterEqual;
    case BinaryOp::kGreater: return BinaryOp::kLess;
    case BinaryOp::kGreaterEqual: return BinaryOp::kLessEqual;
    default: return op;
  }
}

bool IsComparison(BinaryOp op) {
  return op == BinaryOp::kEqual || op == BinaryOp::kLess || op == BinaryOp::kLessEqual || op == BinaryOp::kGreater ||
         op == BinaryOp::kGreaterEqual;
}

const Expr* BoundColumn(const Expr& e, const TableDef& def) {
  if (e.kind != ExprKind::kColumn || e.column.index < 0 || static_cast<size_t>(e.column.index) >= def.columns.size()) {
    return nullptr;
  }
  return &e;
}

// Collects the conditions of the AND-connected parts of `e` that an index can serve.
void Collect(const Expr& e, const TableDef& def, std::vector<Condition>* out) {
  if (e.kind == ExprKind::kBinary && e.binary_op == BinaryOp::kAnd && e.operands.size() == 2) {
    Collect(*e.operands[0], def, out);
    Collect(*e.operands[1], def, out);
    return;
  }
  if (e.kind == ExprKind::kBinary && IsComparison(e.binary_op) && e.operands.size() == 2) {
    const Expr* col = BoundColumn(*e.operands[0], def);
    std::optional<Value> v = Constant(*e.operands[1]);
    BinaryOp op = e.binary_op;
    if (!col || !v) {
      col = BoundColumn(*e.operands[1], def);
      v = Constant(*e.operands[0]);
      op = Mirror(op);
    }
    if (col && v && !v->is_null()) out->push_back(Condition{static_cast<size_t>(col->column.index), op, *v});
    return;
  }
  if (e.kind == ExprKind::kBetween && !e.negated && e.operands.size() == 3) {
    const Expr* col = BoundColumn(*e.operands[0], def);
    std::optional<Value> lo = Constant(*e.operands[1]), hi = Constant(*e.operands[2]);
    if (col && lo && hi && !lo->is_null() && !hi->is_null()) {
      out->push_back(Condition{static_cast<size_t>(col->column.index), BinaryOp::kGreaterEqual, *lo});
      out->push_back(Condition{static_cast<size_t>(col->column.index), BinaryOp::kLessEqual, *hi});
    }
  }
}

// Numbers as the index sees them: exact integers, or doubles.
std::optional<int64_t> ExactInteger(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kByte: return v.byte();
    case Value::Kind::kInteger: return v.integer();
    case Value::Kind::kLong: return v.long_value();
    case Value::Kind::kDouble: {
      double d = v.double_value();
      if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15) return static_cast<int64_t>(d);
      return std::nullopt;
    }
    case Value::Kind::kSingle: {
      double d = v.single();
      if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15) return static_cast<int64_t>(d);
      return std::nullopt;
    }
    case Value::Kind::kDecimal: {
      const Decimal& x = v.decimal();
      if (x.scale != 0 || x.hi != 0 || x.lo > (uint64_t{1} << 53)) return std::nullopt;
      return x.negative ? -static_cast<int64_t>(x.lo) : static_cast<int64_t>(x.lo);
    }
    default: return std::nullopt;
  }
}

std::optional<double> ExactDouble(const Value& v) {
  if (v.kind() == Value::Kind::kDouble) return v.double_value();
  if (v.kind() == Value::Kind::kSingle) return double{v.single()};
  std::optional<int64_t> i = ExactInteger(v);
  if (i) return static_cast<double>(*i);
  return std::nullopt;
}

// The value of the column's own type that equals `v` exactly, when there is one. Values
// that would need a lossy conversion (or that Jet's comparison would refuse) are left to
// a scan, which evaluates them with Jet's full rules.
std::optional<Value> ExactValueFor(const ColumnDef& c, const Value& v) {
  switch (c.type) {
    case ColumnType::kByte: {
      auto i = ExactInteger(v);
      if (i && *i >= 0 && *i <= 255) return Value::Byte(static_cast<uint8_t>(*i));
      return std::nullopt;
    }
    case ColumnType::kInteger: {
      auto i = ExactInteger(v);
      if (i && *i >= -32768 && *i <= 32767) return Value::Integer(static_cast<int16_t>(*i));
      return std::nullopt;
    }
    case ColumnType::kLong: {
      auto i = ExactInteger(v);
      if (i && *i >= std::numeric_limits<int32_t>::min() && *i <= std::numeric_limits<int32_t>::max()) {
        return Value::Long(static_cast<int32_t>(*i));
      }
      return std::nullopt;
    }
    case ColumnType::kCurrency: {
      if (v.kind() == Value::Kind::kCurrency) return v;
      auto i = ExactInteger(v);
      if (i && *i > -900000000000000 && *i < 900000000000000) return Value::Money(Currency{*i * 10000});
      return std::nullopt;
    }
    case ColumnType::kSingle: {
      auto d = ExactDouble(v);
      if (d && static_cast<double>(static_cast<float>(*d)) == *d) return Value::Single(static_cast<float>(*d));
      return std::nullopt;
    }
    case ColumnType::kDouble: {
      auto d = ExactDouble(v);
      if (d) return Value::Double(*d);
      return std::nullopt;
    }
    case ColumnType::kDateTime:
      if (v.kind() == Value::Kind::kDateTime) return v;
      return std::nullopt;
    case ColumnType::kBoolean:
      if (v.kind() == Value::Kind::kBoolean) return v;
      return std::nullopt;
    case ColumnType::kText:
    case ColumnType::kMemo:
      if (v.kind() == Value::Kind::kText) return v;
      return std::nullopt;
    default: return std::nullopt;
  }
}

bool Encode(const ColumnDef& c, bool ascending, const Value& v, std::string* out) {
  return AppendIndexKey(c, ascending, v, out).ok();
}

}  // namespace

std::string AccessPlan::Describe(const TableDef& def) const {
  if (!uses_index()) return "scan";
  std::string s = "index " + def.indexes[static_cast<size_t>(index)].name + " (" + std::to_string(equal_columns) +
                  " equal";
  if (range) s += ", range";
  return s + ")";
}

AccessPlan ChooseAccessPlan(const Table& table, const sql::Expr* where) {
  AccessPlan best;
  if (!where) return best;
  const TableDef& def = table.def();
  std::vector<Condition> conditions;
  Collect(*where, def, &conditions);
  if (conditions.empty()) return best;

  int best_score = 0;
  for (size_t li = 0; li < def.indexes.size(); ++li) {
    const PhysicalIndex& phys = def.physical_indexes[def.indexes[li].physical];
    AccessPlan plan;
    plan.index = static_cast<int>(li);
    size_t k = 0;
    // Equality on the leading columns.
    for (; k < phys.columns.size(); ++k) {
      const IndexColumn& ic = phys.columns[k];
      const ColumnDef& col = def.columns[ic.column];
      bool found = false;
      for (const Condition& cond : conditions) {
        if (cond.column != ic.column || cond.op != BinaryOp::kEqual) continue;
        std::optional<Value> v = ExactValueFor(col, cond.value);
        if (v && Encode(col, ic.ascending, *v, &plan.prefix)) {
          found = true;
          break;
        }
      }
      if (!found) break;
    }
    plan.equal_columns = static_cast<int>(k);
    plan.lower = plan.prefix;
    // A range on the next column (not on text: text ranges are left to a scan).
    if (k < phys.columns.size()) {
      const IndexColumn& ic = phys.columns[k];
      const ColumnDef& col = def.columns[ic.column];
      std::optional<std::string> low, high;
      if (col.type != ColumnType::kText && col.type != ColumnType::kMemo) {
        for (const Condition& cond : conditions) {
          if (cond.column != ic.column || cond.op == BinaryOp::kEqual) continue;
          std::optional<Value> v = ExactValueFor(col, cond.value);
          std::string key;
          if (!v || !Encode(col, ic.ascending, *v, &key)) continue;
          bool is_lower = cond.op == BinaryOp::kGreater || cond.op == BinaryOp::kGreaterEqual;
          if (!ic.ascending) is_lower = !is_lower;  // keys of descending columns run backwards
          // Keep the tightest bound of each side; bounds are inclusive (the WHERE recheck
          // drops the equal rows of strict comparisons).
          if (is_lower) {
            if (!low || key > *low) low = key;
          } else {
            if (!high || key < *high) high = key;
          }
        }
      }
      if (low || high) {
        plan.range = true;
        if (low) plan.lower = plan.prefix + *low;
        if (high) {
          plan.has_upper = true;
          plan.upper = plan.prefix + *high;
        }
      }
    }
    int score = 2 * plan.equal_columns + (plan.range ? 1 : 0);
    if (score == 0) continue;
    // Prefer more constrained columns, then a unique index.
    if (phys.unique() || def.indexes[li].primary_key()) score = score * 2 + 1;
    else score = score * 2;
    if (score > best_score) {
      best_score = score;
      best = std::move(plan);
    }
  }
  return best;
}

bool KeyInRange(const AccessPlan& plan, const std::string& key) {
  if (key.compare(0, plan.prefix.size(), plan.prefix) != 0) return false;
  if (plan.has_upper && key.compare(0, plan.upper.size(), plan.upper) > 0) return false;
  return true;
}

}  // namespace tabulon::jet
