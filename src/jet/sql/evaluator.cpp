#include "jet/sql/evaluator.h"

namespace tabulon::jet::sql {

Result<Value> NoColumns::GetColumn(const ColumnRef& column) const {
  return Status::InvalidArgument("unknown column '" + column.name + "'");
}

Result<Value> Evaluate(const Expr&, const RowAccessor&) {
  return Status::NotSupported("expression evaluation is not supported yet");
}

Result<bool> EvaluateCondition(const Expr&, const RowAccessor&) {
  return Status::NotSupported("expression evaluation is not supported yet");
}

Status BindColumns(Expr&, const std::function<Result<int>(const ColumnRef&)>&) { return Status::Ok(); }

void ForEachColumn(const Expr&, const std::function<void(const ColumnRef&)>&) {}

Result<Value> CompareSql(BinaryOp, const Value&, const Value&) {
  return Status::NotSupported("comparison is not supported yet");
}

Result<int> CompareForSort(const Value&, const Value&) {
  return Status::NotSupported("comparison is not supported yet");
}

Result<bool> MatchLike(std::string_view, std::string_view) {
  return Status::NotSupported("LIKE is not supported yet");
}

}  // namespace tabulon::jet::sql
