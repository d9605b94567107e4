// A readable one-line form of a syntax tree, for tests, diagnostics and `jetdb`:
//   (select (items *) (from SysConfig) (where (and (= Class 'SYSTEM') (= Name 'AppVer'))))
#pragma once

#include <string>

#include "jet/sql/ast.h"

namespace tabulon::jet::sql {

std::string DumpExpr(const Expr& expr);
std::string DumpStatement(const Statement& statement);

}  // namespace tabulon::jet::sql
