// Evaluation of Jet SQL expressions over one row, with Jet's semantics:
//   - Null propagates through arithmetic and comparison; AND, OR and NOT use three-valued
//     logic; a WHERE keeps a row only when its condition is True (EvaluateCondition);
//   - numbers of every type (Byte, Integer, Long, Currency, Single, Double, Decimal, and
//     Boolean as -1 / 0) compare by value; dates compare as their day numbers;
//   - texts compare in the General sort order (collation.h): "a" = "A";
//   - a text compared with a number or a date is "Data type mismatch in criteria
//     expression", as in Jet; a text compared with a GUID is read as a GUID;
//   - LIKE with Jet's wildcards * ? # [abc] [!abc] [a-z], case-insensitive;
//   - + - * / \ Mod ^ with Jet's result types (integers widen instead of overflowing),
//     & joins texts (Null counts as empty), + of two texts joins them.
// The library is pure: it reads columns only through the RowAccessor the executor gives.
#pragma once

#include <functional>
#include <memory>

#include "base/status.h"
#include "jet/sql/ast.h"
#include "jet/value.h"

namespace tabulon::jet::sql {

// What the executor implements to let expressions read the current row.
class RowAccessor {
 public:
  virtual ~RowAccessor() = default;
  // The value of the column that `column` names in the current row (the name resolved
  // case-insensitively as Jet does, the qualifier checked against the table or its
  // alias). An unknown column is an error whose message names it, for example
  // Status::InvalidArgument("unknown column 'Nmae'").
  virtual Result<Value> GetColumn(const ColumnRef& column) const = 0;
};

// A row without columns, for expressions that must not refer to any (INSERT values,
// DEFAULT values): every column reference is an error naming the column.
class NoColumns : public RowAccessor {
 public:
  Result<Value> GetColumn(const ColumnRef& column) const override;
};

// Evaluates an expression. Errors: unknown column (from the accessor), type mismatch,
// division by zero, overflow, invalid LIKE pattern, unsupported function; each message
// names what went wrong (and the expression's position where it helps).
Result<Value> Evaluate(const Expr& expr, const RowAccessor& row);

// Evaluates a condition (WHERE): true only when it yields True. Null and False give
// false; a number counts as True when it is not zero, a text when it reads as True/Yes/On
// or a non-zero number; other texts, binary and GUID results are a type mismatch.
Result<bool> EvaluateCondition(const Expr& expr, const RowAccessor& row);

// Resolves every column reference in the tree once, before a scan: `resolve` returns
// the slot for a reference (or an error, which stops the walk and is returned). The slot
// is stored in ColumnRef::index for the executor's RowAccessor to use.
Status BindColumns(Expr& expr, const std::function<Result<int>(const ColumnRef&)>& resolve);

// Calls `visit` for every column reference in the tree (for example to check them all
// against the table before a statement changes anything).
void ForEachColumn(const Expr& expr, const std::function<void(const ColumnRef&)>& visit);

// SQL comparison of two values: Null when either is Null, else Boolean. `op` is one of
// kEqual ... kGreaterEqual.
Result<Value> CompareSql(BinaryOp op, const Value& a, const Value& b);

// Total order for ORDER BY and DISTINCT: Null first, then values by the rules of the
// comparison above (texts in the General sort order). Values that cannot be compared
// (text with number) are a type mismatch.
Result<int> CompareForSort(const Value& a, const Value& b);

// Whether the expression uses an aggregate function (Count, Sum, Avg, Min, Max). A SELECT
// whose items use them yields one row computed by Aggregator.
bool ContainsAggregate(const Expr& expr);

// Computes one select item that uses aggregate functions over the rows of a query: call
// Add for every row that passes the WHERE, then Finish. Count(*) counts rows, Count(x)
// the rows where x is not Null; Sum, Avg, Min and Max skip Nulls and give Null over no
// values. A column used outside an aggregate is an error in Finish, as in Jet.
class Aggregator {
 public:
  explicit Aggregator(const Expr& item);
  ~Aggregator();
  Aggregator(Aggregator&&) noexcept;
  Aggregator& operator=(Aggregator&&) noexcept;

  Status Add(const RowAccessor& row);
  Result<Value> Finish() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Whether `text` matches the LIKE pattern (Jet's wildcards, case-insensitive). Errors:
// an unclosed "[" ("invalid pattern string").
Result<bool> MatchLike(std::string_view text_utf8, std::string_view pattern_utf8);

}  // namespace tabulon::jet::sql
