#include "jet/select.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

#include "jet/index.h"
#include "jet/query_plan.h"
#include "jet/sql/evaluator.h"

namespace tabulon::jet {

using sql::Expr;
using sql::ExprKind;

namespace {

bool QualifierMatches(const std::string& qualifier, const Table& table, const sql::TableRef& from) {
  if (qualifier.empty()) return true;
  if (!from.alias.empty()) return NamesEqual(qualifier, from.alias);
  return NamesEqual(qualifier, table.name());
}

Result<int> ResolveColumn(const sql::ColumnRef& ref, const Table& table, const sql::TableRef& from) {
  int index = QualifierMatches(ref.table, table, from) ? table.def().FindColumn(ref.name) : -1;
  if (index < 0) {
    std::string name = ref.table.empty() ? ref.name : ref.table + "." + ref.name;
    return Status::InvalidArgument("unknown column '" + name + "'");
  }
  return index;
}

// Binds every column reference under `e` to its position in the table.
Status Bind(Expr& e, const Table& table, const sql::TableRef& from) {
  if (e.kind == ExprKind::kColumn) {
    Result<int> index = ResolveColumn(e.column, table, from);
    if (!index.ok()) {
      return Status::InvalidArgument(index.status().message() + " at character " + std::to_string(e.position));
    }
    e.column.index = *index;
  }
  for (sql::ExprPtr& operand : e.operands) {
    if (operand) TABULON_RETURN_IF_ERROR(Bind(*operand, table, from));
  }
  return Status::Ok();
}

// Reads the current row's columns for the evaluator, decoding each column at most once.
class RowReader final : public sql::RowAccessor {
 public:
  explicit RowReader(const Table& table) : cache_(table.def().columns.size()) {}

  void Reset(const Row* row) {
    row_ = row;
    for (auto& slot : cache_) slot.reset();
  }

  Result<Value> Column(size_t index) const {
    if (!cache_[index]) {
      Result<Value> v = row_->Get(index);
      if (!v.ok()) return v;
      cache_[index] = std::move(*v);
    }
    return *cache_[index];
  }

  Result<Value> GetColumn(const sql::ColumnRef& column) const override {
    if (column.index < 0 || static_cast<size_t>(column.index) >= cache_.size()) {
      return Status::InvalidArgument("unknown column '" + column.name + "'");
    }
    return Column(static_cast<size_t>(column.index));
  }

 private:
  const Row* row_ = nullptr;
  mutable std::vector<std::optional<Value>> cache_;
};

std::optional<ColumnType> TypeOfKind(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::kNull: return std::nullopt;
    case Value::Kind::kBoolean: return ColumnType::kBoolean;
    case Value::Kind::kByte: return ColumnType::kByte;
    case Value::Kind::kInteger: return ColumnType::kInteger;
    case Value::Kind::kLong: return ColumnType::kLong;
    case Value::Kind::kCurrency: return ColumnType::kCurrency;
    case Value::Kind::kSingle: return ColumnType::kSingle;
    case Value::Kind::kDouble: return ColumnType::kDouble;
    case Value::Kind::kDateTime: return ColumnType::kDateTime;
    case Value::Kind::kText: return ColumnType::kText;
    case Value::Kind::kBinary: return ColumnType::kBinary;
    case Value::Kind::kGuid: return ColumnType::kGuid;
    case Value::Kind::kDecimal: return ColumnType::kNumeric;
  }
  return std::nullopt;
}

// One output column: a table column, or an expression to evaluate.
struct Output {
  ResultColumn column;
  int table_column = -1;
  const Expr* expr = nullptr;
};

Result<std::vector<Output>> PlanOutputs(const Table& table, sql::SelectStatement& select) {
  std::vector<Output> outputs;
  int expr_number = 1000;  // Jet names unnamed computed columns Expr1000, Expr1001, ...
  const TableDef& def = table.def();
  for (sql::SelectItem& item : select.items) {
    if (item.star) {
      if (!item.star_table.empty() && !QualifierMatches(item.star_table, table, select.from)) {
        return Status::InvalidArgument("unknown table '" + item.star_table + "' at character " +
                                       std::to_string(item.position));
      }
      for (size_t i = 0; i < def.columns.size(); ++i) {
        outputs.push_back(Output{ResultColumn{def.columns[i].name, def.columns[i].type}, static_cast<int>(i), nullptr});
      }
      continue;
    }
    if (!item.expr) return Status::InvalidArgument("empty select item at character " + std::to_string(item.position));
    TABULON_RETURN_IF_ERROR(Bind(*item.expr, table, select.from));
    Output out;
    if (item.expr->kind == ExprKind::kColumn) {
      out.table_column = item.expr->column.index;
      const ColumnDef& col = def.columns[static_cast<size_t>(out.table_column)];
      out.column = ResultColumn{item.alias.empty() ? col.name : item.alias, col.type};
    } else {
      out.expr = item.expr.get();
      out.column.name = item.alias.empty() ? "Expr" + std::to_string(expr_number++) : item.alias;
    }
    outputs.push_back(std::move(out));
  }
  return outputs;
}

struct PendingRow {
  std::vector<Value> values;
  std::vector<Value> order_keys;
};

Status SortRows(std::vector<PendingRow>* rows, const std::vector<sql::OrderItem>& order) {
  Status error;
  auto compare = [&](const PendingRow& a, const PendingRow& b) {
    for (size_t i = 0; i < order.size(); ++i) {
      Result<int> c = sql::CompareForSort(a.order_keys[i], b.order_keys[i]);
      if (!c.ok()) {
        if (error.ok()) error = c.status();
        return false;
      }
      if (*c != 0) return order[i].descending ? *c > 0 : *c < 0;
    }
    return false;
  };
  std::stable_sort(rows->begin(), rows->end(), compare);
  return error;
}

Result<bool> SameValues(const std::vector<Value>& a, const std::vector<Value>& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    Result<int> c = sql::CompareForSort(a[i], b[i]);
    if (!c.ok()) return c.status();
    if (*c != 0) return false;
  }
  return true;
}

Status Prepare(const Table& table, sql::SelectStatement& select) {
  if (select.where) TABULON_RETURN_IF_ERROR(Bind(*select.where, table, select.from));
  for (sql::OrderItem& item : select.order_by) {
    if (item.expr) TABULON_RETURN_IF_ERROR(Bind(*item.expr, table, select.from));
  }
  return Status::Ok();
}

// Calls `visit` for each row that the plan reads (before the WHERE check).
Status ForEachCandidate(const Table& table, const AccessPlan& plan, const std::function<Status(const Row&, bool*)>& visit) {
  bool stop = false;
  if (!plan.uses_index()) {
    TableScan scan(table);
    while (!stop) {
      Result<bool> more = scan.Next();
      if (!more.ok()) return more.status();
      if (!*more) break;
      TABULON_RETURN_IF_ERROR(visit(scan.row(), &stop));
    }
    return Status::Ok();
  }
  const TableDef& def = table.def();
  const PhysicalIndex& phys = def.physical_indexes[def.indexes[static_cast<size_t>(plan.index)].physical];
  IndexCursor cursor(table.pager(), def, phys);
  TABULON_RETURN_IF_ERROR(cursor.Seek(plan.lower));
  while (!stop) {
    Result<bool> more = cursor.Next();
    if (!more.ok()) return more.status();
    if (!*more || !KeyInRange(plan, cursor.entry().key)) break;
    Result<Row> row = table.Fetch(cursor.entry().row);
    if (!row.ok()) {
      if (row.status().code() == Status::Code::kNotFound) continue;  // a deleted row
      return row.status();
    }
    TABULON_RETURN_IF_ERROR(visit(*row, &stop));
  }
  return Status::Ok();
}

// A query whose select list uses aggregate functions: one row over the rows that pass the
// WHERE clause.
Result<ResultSet> RunAggregate(const Table& table, const sql::SelectStatement& select, std::vector<Output>& outputs,
                               const AccessPlan& plan) {
  std::vector<sql::Aggregator> aggregators;
  for (const Output& o : outputs) {
    if (!o.expr) {
      const std::string& name = o.column.name;
      return Status::InvalidArgument("column '" + name + "' is used outside an aggregate function in a query with aggregates");
    }
    aggregators.emplace_back(*o.expr);
  }
  RowReader reader(table);
  Status st = ForEachCandidate(table, plan, [&](const Row& row, bool*) -> Status {
    reader.Reset(&row);
    if (select.where) {
      Result<bool> keep = sql::EvaluateCondition(*select.where, reader);
      if (!keep.ok()) return keep.status();
      if (!*keep) return Status::Ok();
    }
    for (sql::Aggregator& a : aggregators) TABULON_RETURN_IF_ERROR(a.Add(reader));
    return Status::Ok();
  });
  TABULON_RETURN_IF_ERROR(st);
  std::vector<Value> values;
  std::vector<ResultColumn> columns;
  for (size_t i = 0; i < outputs.size(); ++i) {
    Result<Value> v = aggregators[i].Finish();
    if (!v.ok()) return v.status();
    ResultColumn column = outputs[i].column;
    column.type = TypeOfKind(v->kind());
    columns.push_back(std::move(column));
    values.push_back(std::move(*v));
  }
  std::vector<std::vector<Value>> rows;
  if (!select.top || *select.top > 0) rows.push_back(std::move(values));
  return ResultSet(std::move(columns), std::move(rows));
}

}  // namespace

Result<std::string> ExplainSelect(const Table& table, sql::SelectStatement& select) {
  TABULON_RETURN_IF_ERROR(Prepare(table, select));
  return ChooseAccessPlan(table, select.where.get()).Describe(table.def());
}

Result<ResultSet> RunSelect(const Table& table, sql::SelectStatement& select) {
  Result<std::vector<Output>> outputs_or = PlanOutputs(table, select);
  if (!outputs_or.ok()) return outputs_or.status();
  std::vector<Output>& outputs = *outputs_or;
  TABULON_RETURN_IF_ERROR(Prepare(table, select));
  const AccessPlan plan = ChooseAccessPlan(table, select.where.get());

  // Without ORDER BY or DISTINCT, TOP n stops the read early.
  std::optional<size_t> early_limit;
  if (select.top && !select.top_percent && select.order_by.empty() && !select.distinct) {
    early_limit = static_cast<size_t>(std::max<int64_t>(*select.top, 0));
  }

  bool aggregate = false;
  for (const Output& o : outputs) aggregate = aggregate || (o.expr && sql::ContainsAggregate(*o.expr));
  if (aggregate) return RunAggregate(table, select, outputs, plan);

  std::vector<PendingRow> rows;
  RowReader reader(table);
  Status st = ForEachCandidate(table, plan, [&](const Row& row, bool* stop) -> Status {
    if (early_limit && rows.size() >= *early_limit) {
      *stop = true;
      return Status::Ok();
    }
    reader.Reset(&row);
    if (select.where) {
      Result<bool> keep = sql::EvaluateCondition(*select.where, reader);
      if (!keep.ok()) return keep.status();
      if (!*keep) return Status::Ok();
    }
    PendingRow out;
    out.values.reserve(outputs.size());
    for (const Output& o : outputs) {
      Result<Value> v = o.expr ? sql::Evaluate(*o.expr, reader) : reader.Column(static_cast<size_t>(o.table_column));
      if (!v.ok()) return v.status();
      out.values.push_back(std::move(*v));
    }
    for (const sql::OrderItem& item : select.order_by) {
      Result<Value> v = sql::Evaluate(*item.expr, reader);
      if (!v.ok()) return v.status();
      out.order_keys.push_back(std::move(*v));
    }
    rows.push_back(std::move(out));
    return Status::Ok();
  });
  TABULON_RETURN_IF_ERROR(st);

  if (select.distinct) {
    // Keep the first of each group of equal rows, in their order.
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    Status error;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      for (size_t i = 0; i < outputs.size(); ++i) {
        Result<int> c = sql::CompareForSort(rows[a].values[i], rows[b].values[i]);
        if (!c.ok()) {
          if (error.ok()) error = c.status();
          return false;
        }
        if (*c != 0) return *c < 0;
      }
      return false;
    });
    TABULON_RETURN_IF_ERROR(error);
    std::vector<bool> keep(rows.size(), false);
    for (size_t i = 0; i < order.size(); ++i) {
      if (i == 0) {
        keep[order[i]] = true;
        continue;
      }
      Result<bool> same = SameValues(rows[order[i - 1]].values, rows[order[i]].values);
      if (!same.ok()) return same.status();
      keep[order[i]] = !*same;
    }
    std::vector<PendingRow> unique;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (keep[i]) unique.push_back(std::move(rows[i]));
    }
    rows = std::move(unique);
  }
  if (!select.order_by.empty()) TABULON_RETURN_IF_ERROR(SortRows(&rows, select.order_by));

  if (select.top) {
    size_t limit;
    if (select.top_percent) {
      double n = std::ceil(static_cast<double>(rows.size()) * static_cast<double>(std::max<int64_t>(*select.top, 0)) / 100.0);
      limit = static_cast<size_t>(std::min<double>(n, static_cast<double>(rows.size())));
    } else {
      limit = static_cast<size_t>(std::max<int64_t>(*select.top, 0));
    }
    // Jet's TOP keeps the rows that tie with the last one in the ORDER BY.
    while (limit > 0 && limit < rows.size() && !select.order_by.empty()) {
      Result<bool> tie = SameValues(rows[limit - 1].order_keys, rows[limit].order_keys);
      if (!tie.ok()) return tie.status();
      if (!*tie) break;
      ++limit;
    }
    if (rows.size() > limit) rows.resize(limit);
  }

  std::vector<ResultColumn> columns;
  for (const Output& o : outputs) columns.push_back(o.column);
  std::vector<std::vector<Value>> values;
  values.reserve(rows.size());
  for (PendingRow& r : rows) values.push_back(std::move(r.values));
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].type) continue;
    for (const auto& r : values) {
      if (!r[i].is_null()) {
        columns[i].type = TypeOfKind(r[i].kind());
        break;
      }
    }
  }
  return ResultSet(std::move(columns), std::move(values));
}

}  // namespace tabulon::jet
