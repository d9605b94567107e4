// Running a SELECT statement against a table: the access plan (query_plan.h), the WHERE
// clause evaluated on each row with Jet's semantics (sql/evaluator.h), the projection,
// and DISTINCT, ORDER BY and TOP.
#pragma once

#include "base/status.h"
#include "jet/result_set.h"
#include "jet/sql/ast.h"
#include "jet/table.h"

namespace tabulon::jet {

// Runs `select` (whose FROM names `table`). The statement's column references are bound
// to the table's columns in place.
Result<ResultSet> RunSelect(const Table& table, sql::SelectStatement& select);

// The plan that RunSelect would use, for diagnostics and tests.
Result<std::string> ExplainSelect(const Table& table, sql::SelectStatement& select);

}  // namespace tabulon::jet
