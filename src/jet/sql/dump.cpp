#include "jet/sql/dump.h"

namespace tabulon::jet::sql {

std::string DumpExpr(const Expr&) { return {}; }
std::string DumpStatement(const Statement&) { return {}; }

}  // namespace tabulon::jet::sql
