#include "jet/sql/parser.h"

namespace tabulon::jet::sql {

Result<Statement> ParseStatement(std::string_view) {
  return Status::NotSupported("SQL statements are not supported yet");
}

Result<ExprPtr> ParseExpression(std::string_view) {
  return Status::NotSupported("SQL expressions are not supported yet");
}

}  // namespace tabulon::jet::sql
