#include "jet/sql/parser.h"

#include <charconv>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <unordered_map>
#include <algorithm>

#include "jet/collation.h"
#include "jet/sql/convert.h"
#include "jet/sql/decimal.h"
#include "jet/sql/functions.h"
#include "jet/sql/lexer.h"

namespace tabulon::jet::sql {
namespace {

// Jet's limits on table definitions.
constexpr size_t kMaxColumns = 255;
constexpr size_t kMaxIndexColumns = 10;
constexpr int kMaxTextSize = 255;
constexpr int kMaxBinarySize = 255;
constexpr int kMaxDecimalPrecision = 28;
// Expressions nested deeper than these are refused ("expression too complex") instead of
// exhausting the stack of the parser, of the evaluator, or of the tree's destruction:
// parentheses, signs and NOT within one another, and the height of the resulting tree.
constexpr int kMaxDepth = 100;
constexpr int kMaxHeight = 256;

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

bool SameName(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

// Words that cannot be used as plain names (bracket them to use them as names), because
// they would make the statement ambiguous; Jet reserves them as well.
bool IsReserved(std::string_view word) {
  static constexpr std::string_view kReserved[] = {
      "ADD",    "ALL",      "ALTER",   "AND",     "AS",     "ASC",      "BETWEEN", "BY",
      "COLUMN", "CONSTRAINT", "CREATE", "DELETE", "DESC",   "DISTINCT", "DISTINCTROW",
      "DROP",   "EQV",      "FALSE",   "FROM",    "GROUP",  "HAVING",   "IMP",     "IN",
      "INDEX",  "INNER",    "INSERT",  "INTO",    "IS",     "JOIN",     "KEY",     "LEFT",
      "LIKE",   "MOD",      "NO",      "NOT",     "NULL",   "OFF",      "ON",      "OR",
      "ORDER",  "PRIMARY",  "RIGHT",   "SELECT",  "SET",    "TABLE",    "TOP",     "TRUE",
      "UNION",  "UNIQUE",   "UPDATE",  "VALUES",  "WHERE",  "WITH",     "XOR",     "YES",
  };
  for (std::string_view r : kReserved) {
    if (EqualsIgnoreCase(word, r)) return true;
  }
  return false;
}

// The first aggregate call (Count, Sum, ...) in an expression, or null.
const Expr* FindAggregate(const Expr& e) {
  if (e.kind == ExprKind::kFunction) {
    const FunctionInfo* info = FindFunction(e.function);
    if (info && info->aggregate) return &e;
  }
  for (const ExprPtr& child : e.operands) {
    if (const Expr* found = FindAggregate(*child)) return found;
  }
  return nullptr;
}

// The first column reference outside aggregate calls, or null.
const Expr* FindColumnOutsideAggregates(const Expr& e) {
  if (e.kind == ExprKind::kColumn) return &e;
  if (e.kind == ExprKind::kFunction) {
    const FunctionInfo* info = FindFunction(e.function);
    if (info && info->aggregate) return nullptr;
  }
  for (const ExprPtr& child : e.operands) {
    if (const Expr* found = FindColumnOutsideAggregates(*child)) return found;
  }
  return nullptr;
}

// The first column reference anywhere, or null.
const Expr* FindColumn(const Expr& e) {
  if (e.kind == ExprKind::kColumn) return &e;
  for (const ExprPtr& child : e.operands) {
    if (const Expr* found = FindColumn(*child)) return found;
  }
  return nullptr;
}

std::string At(size_t position) { return "at character " + std::to_string(position) + ": "; }

// Jet refuses aggregate functions outside the select list, and inside one another.
Status CheckNoAggregate(const ExprPtr& e, const char* where) {
  if (!e) return Status::Ok();
  if (const Expr* agg = FindAggregate(*e)) {
    return Status::InvalidArgument(At(agg->position) + "cannot have aggregate function " + agg->function + " in " +
                                   where);
  }
  return Status::Ok();
}

Status CheckNoNestedAggregate(const Expr& e) {
  if (e.kind == ExprKind::kFunction) {
    const FunctionInfo* info = FindFunction(e.function);
    if (info && info->aggregate) {
      for (const ExprPtr& arg : e.operands) {
        if (const Expr* inner = FindAggregate(*arg)) {
          return Status::InvalidArgument(At(inner->position) + "cannot have aggregate function " + inner->function +
                                         " inside " + e.function);
        }
      }
    }
  }
  for (const ExprPtr& child : e.operands) TABULON_RETURN_IF_ERROR(CheckNoNestedAggregate(*child));
  return Status::Ok();
}

// A query whose select list uses aggregates yields one row (there is no GROUP BY): every
// item must then be computed from aggregates only, as Jet demands.
Status CheckAggregateQuery(const SelectStatement& s) {
  bool aggregate = false;
  for (const SelectItem& item : s.items) {
    if (item.expr) {
      TABULON_RETURN_IF_ERROR(CheckNoNestedAggregate(*item.expr));
      aggregate = aggregate || FindAggregate(*item.expr) != nullptr;
    }
  }
  TABULON_RETURN_IF_ERROR(CheckNoAggregate(s.where, "the WHERE clause"));
  if (!aggregate) {
    for (const OrderItem& o : s.order_by) TABULON_RETURN_IF_ERROR(CheckNoAggregate(o.expr, "ORDER BY without aggregates in the select list"));
    return Status::Ok();
  }
  for (const SelectItem& item : s.items) {
    if (item.star) {
      return Status::InvalidArgument(At(item.position) + "'*' cannot be selected together with aggregate functions");
    }
    if (const Expr* column = FindColumnOutsideAggregates(*item.expr)) {
      return Status::InvalidArgument(At(column->position) + "the query does not include '" + column->column.name +
                                     "' as part of an aggregate function");
    }
  }
  for (const OrderItem& o : s.order_by) {
    TABULON_RETURN_IF_ERROR(CheckNoNestedAggregate(*o.expr));
    if (const Expr* column = FindColumnOutsideAggregates(*o.expr)) {
      return Status::InvalidArgument(At(column->position) + "the query does not include '" + column->column.name +
                                     "' as part of an aggregate function");
    }
  }
  return Status::Ok();
}

// Values of INSERT and DEFAULT are constants: no columns, no aggregates.
Status CheckConstant(const Expr& e, const char* what) {
  if (const Expr* column = FindColumn(e)) {
    return Status::InvalidArgument(At(column->position) + what + " cannot refer to column '" + column->column.name +
                                   "'");
  }
  if (const Expr* agg = FindAggregate(e)) {
    return Status::InvalidArgument(At(agg->position) + "cannot have aggregate function " + agg->function + " in " +
                                   what);
  }
  return Status::Ok();
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  Result<sql::Statement> WholeStatement() {
    Result<sql::Statement> result = ParseAnyStatement();
    if (!result.ok()) return result;
    TABULON_RETURN_IF_ERROR(ExpectEndOfStatement());
    return result;
  }

  Result<ExprPtr> LoneExpression() {
    Result<ExprPtr> e = Expression();
    if (!e.ok()) return e;
    TABULON_RETURN_IF_ERROR(ExpectEndOfStatement());
    return e;
  }

 private:
  // --- Token helpers -------------------------------------------------------------------

  const Token& Peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
  }
  const Token& Take() {
    const Token& t = Peek();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }

  bool IsWord(const Token& t, std::string_view keyword) const {
    return t.kind == TokenKind::kWord && EqualsIgnoreCase(t.text, keyword);
  }
  bool IsSymbol(const Token& t, std::string_view symbol) const {
    return t.kind == TokenKind::kSymbol && t.text == symbol;
  }
  bool PeekWord(std::string_view keyword, size_t ahead = 0) const { return IsWord(Peek(ahead), keyword); }
  bool PeekSymbol(std::string_view symbol, size_t ahead = 0) const { return IsSymbol(Peek(ahead), symbol); }
  bool AcceptWord(std::string_view keyword) {
    if (!PeekWord(keyword)) return false;
    Take();
    return true;
  }
  bool AcceptSymbol(std::string_view symbol) {
    if (!PeekSymbol(symbol)) return false;
    Take();
    return true;
  }

  Status SyntaxError(const Token& at, const std::string& what) const {
    return Status::InvalidArgument("syntax error at character " + std::to_string(at.position) + ": " + what);
  }
  Status Expected(const std::string& what) const {
    return SyntaxError(Peek(), "expected " + what + ", found " + DescribeToken(Peek()));
  }
  Status Unsupported(const Token& at, const std::string& what) const {
    return Status::NotSupported("not supported at character " + std::to_string(at.position) + ": " + what);
  }

  Status ExpectWord(std::string_view keyword) {
    if (AcceptWord(keyword)) return Status::Ok();
    return Expected(std::string(keyword));
  }
  Status ExpectSymbol(std::string_view symbol) {
    if (AcceptSymbol(symbol)) return Status::Ok();
    return Expected("'" + std::string(symbol) + "'");
  }

  Status ExpectEndOfStatement() {
    AcceptSymbol(";");
    if (Peek().kind == TokenKind::kEnd) return Status::Ok();
    return SyntaxError(Peek(), "characters found after end of SQL statement: " + DescribeToken(Peek()));
  }

  // A name: a plain word that is not reserved, or a bracketed name.
  Result<std::string> Name(const std::string& what) {
    const Token& t = Peek();
    if (t.kind == TokenKind::kBracketed) return Take().text;
    if (t.kind == TokenKind::kWord) {
      if (IsReserved(t.text)) {
        return SyntaxError(t, "expected " + what + ", found the reserved word '" + t.text +
                                  "' (write [" + t.text + "] to use it as a name)");
      }
      return Take().text;
    }
    return Expected(what);
  }

  Result<TableRef> Table(bool allow_alias) {
    TableRef ref;
    ref.position = Peek().position;
    Result<std::string> name = Name("a table name");
    if (!name.ok()) return name.status();
    ref.name = std::move(*name);
    if (PeekSymbol(".")) return Unsupported(Peek(), "qualified table names");
    if (PeekWord("IN")) return Unsupported(Peek(), "tables of another database (IN)");
    if (allow_alias) {
      if (AcceptWord("AS")) {
        Result<std::string> alias = Name("an alias");
        if (!alias.ok()) return alias.status();
        ref.alias = std::move(*alias);
      } else if (Peek().kind == TokenKind::kBracketed ||
                 (Peek().kind == TokenKind::kWord && !IsReserved(Peek().text))) {
        ref.alias = Take().text;
      }
    }
    return ref;
  }

  // --- Statements ----------------------------------------------------------------------

  Result<sql::Statement> ParseAnyStatement() {
    const Token& t = Peek();
    if (IsWord(t, "SELECT")) return Wrap(Select());
    if (IsWord(t, "INSERT")) return Wrap(Insert());
    if (IsWord(t, "UPDATE")) return Wrap(Update());
    if (IsWord(t, "DELETE")) return Wrap(Delete());
    if (IsWord(t, "CREATE")) return Create();
    if (IsWord(t, "DROP")) return Drop();
    if (IsWord(t, "ALTER")) return Wrap(Alter());
    for (std::string_view other : {"TRANSFORM", "PARAMETERS", "GRANT", "REVOKE", "EXECUTE", "EXEC",
                                   "PROCEDURE", "BEGIN", "COMMIT", "ROLLBACK"}) {
      if (IsWord(t, other)) return Unsupported(t, Upper(other) + " statements");
    }
    if (t.kind == TokenKind::kSymbol && t.text == "(") {
      return Unsupported(t, "a statement in parentheses");
    }
    return Expected("a statement (SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER)");
  }

  template <typename T>
  static Result<sql::Statement> Wrap(Result<T> r) {
    if (!r.ok()) return r.status();
    sql::Statement st;
    st.body = std::move(*r);
    return st;
  }

  Result<SelectStatement> Select() {
    Take();  // SELECT
    SelectStatement s;
    if (AcceptWord("DISTINCT")) {
      s.distinct = true;
    } else if (PeekWord("DISTINCTROW")) {
      return Unsupported(Peek(), "DISTINCTROW");
    } else {
      AcceptWord("ALL");
    }
    if (PeekWord("TOP")) {
      Take();
      const Token& n = Peek();
      if (n.kind != TokenKind::kNumber || n.text.find_first_not_of("0123456789") != std::string::npos) {
        return Expected("a whole number after TOP");
      }
      int64_t value = 0;
      auto [end, ec] = std::from_chars(n.text.data(), n.text.data() + n.text.size(), value);
      if (ec != std::errc() || value <= 0) return SyntaxError(n, "TOP needs a whole number greater than 0");
      Take();
      s.top = value;
      if (AcceptWord("PERCENT")) {
        if (value > 100) return SyntaxError(n, "TOP ... PERCENT needs a number from 1 to 100");
        s.top_percent = true;
      }
    }
    for (;;) {
      Result<SelectItem> item = SelectListItem();
      if (!item.ok()) return item.status();
      s.items.push_back(std::move(*item));
      if (!AcceptSymbol(",")) break;
    }
    if (PeekWord("INTO")) return Unsupported(Peek(), "SELECT ... INTO (make-table queries)");
    TABULON_RETURN_IF_ERROR(ExpectWord("FROM"));
    if (PeekSymbol("(")) return Unsupported(Peek(), "subqueries and joins in FROM");
    Result<TableRef> from = Table(/*allow_alias=*/true);
    if (!from.ok()) return from.status();
    s.from = std::move(*from);
    if (PeekSymbol(",")) return Unsupported(Peek(), "selecting from several tables (joins)");
    for (std::string_view join : {"INNER", "LEFT", "RIGHT", "JOIN", "OUTER", "CROSS", "FULL"}) {
      if (PeekWord(join)) return Unsupported(Peek(), "joins");
    }
    if (AcceptWord("WHERE")) {
      Result<ExprPtr> where = Expression();
      if (!where.ok()) return where.status();
      s.where = std::move(*where);
    }
    if (PeekWord("GROUP")) return Unsupported(Peek(), "GROUP BY");
    if (PeekWord("HAVING")) return Unsupported(Peek(), "HAVING");
    if (PeekWord("ORDER")) {
      Take();
      TABULON_RETURN_IF_ERROR(ExpectWord("BY"));
      for (;;) {
        OrderItem item;
        Result<ExprPtr> e = Expression();
        if (!e.ok()) return e.status();
        item.expr = std::move(*e);
        if (AcceptWord("DESC")) {
          item.descending = true;
        } else {
          AcceptWord("ASC");
        }
        s.order_by.push_back(std::move(item));
        if (!AcceptSymbol(",")) break;
      }
    }
    if (PeekWord("UNION")) return Unsupported(Peek(), "UNION");
    if (PeekWord("WITH")) return Unsupported(Peek(), "WITH OWNERACCESS OPTION");
    for (const SelectItem& item : s.items) {
      if (!item.star_table.empty() && !SameName(item.star_table, s.from.name) &&
          !(!s.from.alias.empty() && SameName(item.star_table, s.from.alias))) {
        return Status::InvalidArgument("at character " + std::to_string(item.position) + ": '" +
                                       item.star_table + ".*' does not name the table of the FROM clause");
      }
    }
    TABULON_RETURN_IF_ERROR(CheckAggregateQuery(s));
    return s;
  }

  Result<SelectItem> SelectListItem() {
    SelectItem item;
    item.position = Peek().position;
    if (AcceptSymbol("*")) {
      item.star = true;
      return item;
    }
    // table.*
    if ((Peek().kind == TokenKind::kWord || Peek().kind == TokenKind::kBracketed) && PeekSymbol(".", 1) &&
        PeekSymbol("*", 2)) {
      if (Peek().kind == TokenKind::kWord && IsReserved(Peek().text)) return Expected("a table name");
      item.star = true;
      item.star_table = Take().text;
      Take();
      Take();
      return item;
    }
    Result<ExprPtr> e = Expression();
    if (!e.ok()) return e.status();
    item.expr = std::move(*e);
    if (AcceptWord("AS")) {
      Result<std::string> alias = Name("a name after AS");
      if (!alias.ok()) return alias.status();
      item.alias = std::move(*alias);
    } else if (Peek().kind == TokenKind::kBracketed ||
               (Peek().kind == TokenKind::kWord && !IsReserved(Peek().text))) {
      // Jet wants AS before an alias; a name here is most likely a missing comma or operator.
      return SyntaxError(Peek(), "expected ',', FROM or an operator, found " + DescribeToken(Peek()) +
                                     " (write AS before a column alias)");
    }
    return item;
  }

  Result<InsertStatement> Insert() {
    Take();  // INSERT
    TABULON_RETURN_IF_ERROR(ExpectWord("INTO"));
    InsertStatement s;
    Result<TableRef> table = Table(/*allow_alias=*/false);
    if (!table.ok()) return table.status();
    s.table = std::move(*table);
    if (AcceptSymbol("(")) {
      for (;;) {
        size_t position = Peek().position;
        Result<std::string> column = ColumnNameMaybeQualified(s.table);
        if (!column.ok()) return column.status();
        for (const std::string& existing : s.columns) {
          if (SameName(existing, *column)) {
            return Status::InvalidArgument("at character " + std::to_string(position) + ": column '" + *column +
                                           "' is named twice in the INSERT column list");
          }
        }
        s.columns.push_back(std::move(*column));
        s.column_positions.push_back(position);
        if (AcceptSymbol(")")) break;
        TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
      }
    }
    if (PeekWord("SELECT")) return Unsupported(Peek(), "INSERT INTO ... SELECT");
    const Token& values = Peek();
    TABULON_RETURN_IF_ERROR(ExpectWord("VALUES"));
    TABULON_RETURN_IF_ERROR(ExpectSymbol("("));
    for (;;) {
      Result<ExprPtr> e = Expression();
      if (!e.ok()) return e.status();
      s.values.push_back(std::move(*e));
      if (AcceptSymbol(")")) break;
      TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
    }
    if (!s.columns.empty() && s.columns.size() != s.values.size()) {
      return Status::InvalidArgument("at character " + std::to_string(values.position) +
                                     ": the number of query values and destination fields are not the same (" +
                                     std::to_string(s.columns.size()) + " columns, " +
                                     std::to_string(s.values.size()) + " values)");
    }
    for (const ExprPtr& v : s.values) TABULON_RETURN_IF_ERROR(CheckConstant(*v, "VALUES"));
    return s;
  }

  // `col` or `table.col` where table is the statement's table (or its alias).
  Result<std::string> ColumnNameMaybeQualified(const TableRef& table) {
    const Token& first = Peek();
    Result<std::string> name = Name("a column name");
    if (!name.ok()) return name.status();
    if (!AcceptSymbol(".")) return name;
    if (!SameName(*name, table.name) && !(!table.alias.empty() && SameName(*name, table.alias))) {
      return Status::InvalidArgument("at character " + std::to_string(first.position) + ": '" + *name +
                                     "' is not the table of this statement");
    }
    return Name("a column name");
  }

  Result<UpdateStatement> Update() {
    Take();  // UPDATE
    UpdateStatement s;
    Result<TableRef> table = Table(/*allow_alias=*/true);
    if (!table.ok()) return table.status();
    s.table = std::move(*table);
    if (PeekSymbol(",")) return Unsupported(Peek(), "updating several tables");
    for (std::string_view join : {"INNER", "LEFT", "RIGHT", "JOIN"}) {
      if (PeekWord(join)) return Unsupported(Peek(), "joins");
    }
    TABULON_RETURN_IF_ERROR(ExpectWord("SET"));
    for (;;) {
      Assignment a;
      a.position = Peek().position;
      Result<std::string> column = ColumnNameMaybeQualified(s.table);
      if (!column.ok()) return column.status();
      for (const Assignment& existing : s.assignments) {
        if (SameName(existing.column, *column)) {
          return Status::InvalidArgument("at character " + std::to_string(a.position) + ": column '" + *column +
                                         "' is set twice");
        }
      }
      a.column = std::move(*column);
      TABULON_RETURN_IF_ERROR(ExpectSymbol("="));
      Result<ExprPtr> e = Expression();
      if (!e.ok()) return e.status();
      a.value = std::move(*e);
      s.assignments.push_back(std::move(a));
      if (!AcceptSymbol(",")) break;
    }
    if (PeekWord("FROM")) return Unsupported(Peek(), "UPDATE ... FROM");
    if (AcceptWord("WHERE")) {
      Result<ExprPtr> where = Expression();
      if (!where.ok()) return where.status();
      s.where = std::move(*where);
    }
    for (const Assignment& a : s.assignments) TABULON_RETURN_IF_ERROR(CheckNoAggregate(a.value, "SET"));
    TABULON_RETURN_IF_ERROR(CheckNoAggregate(s.where, "the WHERE clause"));
    return s;
  }

  Result<DeleteStatement> Delete() {
    Take();  // DELETE
    DeleteStatement s;
    const Token* star_table = nullptr;
    if (AcceptSymbol("*")) {
      // DELETE * FROM t
    } else if ((Peek().kind == TokenKind::kWord || Peek().kind == TokenKind::kBracketed) && PeekSymbol(".", 1) &&
               PeekSymbol("*", 2)) {
      star_table = &Take();
      Take();
      Take();
    }
    TABULON_RETURN_IF_ERROR(ExpectWord("FROM"));
    Result<TableRef> table = Table(/*allow_alias=*/true);
    if (!table.ok()) return table.status();
    s.table = std::move(*table);
    if (star_table && !SameName(star_table->text, s.table.name) &&
        !(!s.table.alias.empty() && SameName(star_table->text, s.table.alias))) {
      return Status::InvalidArgument("at character " + std::to_string(star_table->position) + ": '" +
                                     star_table->text + ".*' does not name the table of the FROM clause");
    }
    if (PeekSymbol(",")) return Unsupported(Peek(), "deleting from several tables");
    for (std::string_view join : {"INNER", "LEFT", "RIGHT", "JOIN"}) {
      if (PeekWord(join)) return Unsupported(Peek(), "joins");
    }
    if (AcceptWord("WHERE")) {
      Result<ExprPtr> where = Expression();
      if (!where.ok()) return where.status();
      s.where = std::move(*where);
    }
    TABULON_RETURN_IF_ERROR(CheckNoAggregate(s.where, "the WHERE clause"));
    return s;
  }

  Result<sql::Statement> Create() {
    Take();  // CREATE
    if (PeekWord("TABLE")) return Wrap(CreateTable());
    if (PeekWord("UNIQUE") || PeekWord("INDEX")) return Wrap(CreateIndex());
    for (std::string_view other : {"VIEW", "PROCEDURE", "PROC", "USER", "GROUP", "DATABASE", "TEMPORARY"}) {
      if (PeekWord(other)) return Unsupported(Peek(), "CREATE " + Upper(other));
    }
    return Expected("TABLE, INDEX or UNIQUE INDEX after CREATE");
  }

  Result<CreateTableStatement> CreateTable() {
    Take();  // TABLE
    CreateTableStatement s;
    Result<TableRef> table = Table(/*allow_alias=*/false);
    if (!table.ok()) return table.status();
    s.table = std::move(*table);
    TABULON_RETURN_IF_ERROR(ExpectSymbol("("));
    for (;;) {
      if (PeekWord("CONSTRAINT") || PeekWord("PRIMARY") || PeekWord("UNIQUE") || PeekWord("FOREIGN")) {
        Result<Constraint> c = TableConstraint();
        if (!c.ok()) return c.status();
        s.constraints.push_back(std::move(*c));
      } else {
        Result<ColumnDefinition> column = ColumnDef(s.constraints);
        if (!column.ok()) return column.status();
        for (const ColumnDefinition& existing : s.columns) {
          if (SameName(existing.name, column->name)) {
            return Status::InvalidArgument("at character " + std::to_string(column->position) + ": column '" +
                                           column->name + "' is defined twice");
          }
        }
        s.columns.push_back(std::move(*column));
        if (s.columns.size() > kMaxColumns) {
          return Status::InvalidArgument("at character " + std::to_string(s.columns.back().position) +
                                         ": a table can have at most 255 columns");
        }
      }
      if (AcceptSymbol(")")) break;
      TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
    }
    if (s.columns.empty()) {
      return Status::InvalidArgument("at character " + std::to_string(s.table.position) + ": table '" +
                                     s.table.name + "' has no columns");
    }
    TABULON_RETURN_IF_ERROR(CheckConstraints(s.columns, s.constraints));
    // CONSTRAINT name NOT NULL (columns) is the columns' NOT NULL.
    for (const Constraint& c : s.constraints) {
      if (c.kind != ConstraintKind::kNotNull) continue;
      for (ColumnDefinition& col : s.columns) {
        for (const std::string& name : c.columns) {
          if (SameName(col.name, name)) col.not_null = true;
        }
      }
    }
    return s;
  }

  // Every constraint names defined columns, once each; at most one primary key.
  Status CheckConstraints(const std::vector<ColumnDefinition>& columns, const std::vector<Constraint>& constraints) {
    const Constraint* primary = nullptr;
    for (const Constraint& c : constraints) {
      if (c.kind == ConstraintKind::kPrimaryKey) {
        if (primary) {
          return Status::InvalidArgument("at character " + std::to_string(c.position) +
                                         ": a table can have only one primary key");
        }
        primary = &c;
      }
      for (size_t i = 0; i < c.columns.size(); ++i) {
        bool found = false;
        for (const ColumnDefinition& col : columns) found = found || SameName(col.name, c.columns[i]);
        if (!found) {
          return Status::InvalidArgument("at character " + std::to_string(c.position) + ": constraint column '" +
                                         c.columns[i] + "' is not a column of the table");
        }
      }
    }
    for (size_t i = 0; i < constraints.size(); ++i) {
      for (size_t j = i + 1; j < constraints.size(); ++j) {
        const Constraint& a = constraints[i];
        const Constraint& b = constraints[j];
        if (!a.name.empty() && SameName(a.name, b.name)) {
          return Status::InvalidArgument("at character " + std::to_string(b.position) + ": constraint '" + b.name +
                                         "' is defined twice");
        }
      }
    }
    return Status::Ok();
  }

  // CONSTRAINT name {PRIMARY KEY | UNIQUE | NOT NULL} (columns), or the same without
  // CONSTRAINT name.
  Result<Constraint> TableConstraint() {
    Constraint c;
    c.position = Peek().position;
    if (AcceptWord("CONSTRAINT")) {
      Result<std::string> name = Name("a constraint name");
      if (!name.ok()) return name.status();
      c.name = std::move(*name);
    }
    if (AcceptWord("PRIMARY")) {
      TABULON_RETURN_IF_ERROR(ExpectWord("KEY"));
      c.kind = ConstraintKind::kPrimaryKey;
    } else if (AcceptWord("UNIQUE")) {
      c.kind = ConstraintKind::kUnique;
    } else if (PeekWord("NOT") && PeekWord("NULL", 1)) {
      Take();
      Take();
      c.kind = ConstraintKind::kNotNull;
    } else if (PeekWord("FOREIGN") || PeekWord("REFERENCES")) {
      return Unsupported(Peek(), "foreign keys (relationships)");
    } else if (PeekWord("CHECK")) {
      return Unsupported(Peek(), "CHECK constraints");
    } else {
      return Expected("PRIMARY KEY, UNIQUE or NOT NULL");
    }
    TABULON_RETURN_IF_ERROR(ExpectSymbol("("));
    for (;;) {
      const Token& at = Peek();
      Result<std::string> column = Name("a column name");
      if (!column.ok()) return column.status();
      for (const std::string& existing : c.columns) {
        if (SameName(existing, *column)) {
          return Status::InvalidArgument("at character " + std::to_string(at.position) + ": column '" + *column +
                                         "' appears twice in the constraint");
        }
      }
      c.columns.push_back(std::move(*column));
      if (AcceptSymbol(")")) break;
      TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
    }
    if (c.columns.size() > kMaxIndexColumns) {
      return Status::InvalidArgument("at character " + std::to_string(c.position) +
                                     ": an index can have at most 10 columns");
    }
    return c;
  }

  // name type [(size)] [NOT NULL | NULL | WITH COMP[RESSION] | DEFAULT expr |
  //                     [CONSTRAINT name] {PRIMARY KEY | UNIQUE | NOT NULL}]...
  // The column's constraints are appended to `constraints`.
  Result<ColumnDefinition> ColumnDef(std::vector<Constraint>& constraints) {
    ColumnDefinition col;
    col.position = Peek().position;
    Result<std::string> name = Name("a column name");
    if (!name.ok()) return name.status();
    col.name = std::move(*name);
    TABULON_RETURN_IF_ERROR(ColumnType(col));
    for (;;) {
      const Token& at = Peek();
      if (PeekWord("NOT") && PeekWord("NULL", 1)) {
        Take();
        Take();
        col.not_null = true;
      } else if (AcceptWord("NULL")) {
        // explicit "may be Null": the default
      } else if (PeekWord("WITH")) {
        Take();
        if (!AcceptWord("COMPRESSION") && !AcceptWord("COMP")) return Expected("COMPRESSION after WITH");
        if (col.type != ColumnType::kText && col.type != ColumnType::kMemo) {
          return SyntaxError(at, "WITH COMPRESSION applies to text columns only");
        }
        col.compressed = true;
      } else if (PeekWord("DEFAULT")) {
        Take();
        if (col.default_value) return SyntaxError(at, "DEFAULT given twice");
        Result<ExprPtr> e = Expression();
        if (!e.ok()) return e.status();
        TABULON_RETURN_IF_ERROR(CheckConstant(**e, "DEFAULT"));
        col.default_value = std::move(*e);
      } else if (PeekWord("CONSTRAINT") || PeekWord("PRIMARY") || PeekWord("UNIQUE")) {
        Constraint c;
        c.position = at.position;
        if (AcceptWord("CONSTRAINT")) {
          Result<std::string> cname = Name("a constraint name");
          if (!cname.ok()) return cname.status();
          c.name = std::move(*cname);
        }
        if (AcceptWord("PRIMARY")) {
          TABULON_RETURN_IF_ERROR(ExpectWord("KEY"));
          c.kind = ConstraintKind::kPrimaryKey;
        } else if (AcceptWord("UNIQUE")) {
          c.kind = ConstraintKind::kUnique;
        } else if (PeekWord("NOT") && PeekWord("NULL", 1)) {
          Take();
          Take();
          c.kind = ConstraintKind::kNotNull;
          col.not_null = true;
        } else if (PeekWord("REFERENCES") || PeekWord("FOREIGN")) {
          return Unsupported(Peek(), "foreign keys (relationships)");
        } else {
          return Expected("PRIMARY KEY, UNIQUE or NOT NULL");
        }
        c.columns.push_back(col.name);
        constraints.push_back(std::move(c));
      } else if (PeekWord("REFERENCES")) {
        return Unsupported(at, "foreign keys (relationships)");
      } else if (PeekWord("CHECK")) {
        return Unsupported(at, "CHECK constraints");
      } else {
        break;
      }
    }
    return col;
  }

  // Reads a parenthesized whole number (the size of TEXT(n) and friends).
  Result<int64_t> WholeNumber(const std::string& what) {
    const Token& t = Peek();
    bool negative = false;
    if (IsSymbol(t, "-")) {
      negative = true;
      Take();
    } else {
      AcceptSymbol("+");
    }
    const Token& n = Peek();
    if (n.kind != TokenKind::kNumber || n.text.find_first_not_of("0123456789") != std::string::npos) {
      return Expected(what);
    }
    int64_t value = 0;
    auto [end, ec] = std::from_chars(n.text.data(), n.text.data() + n.text.size(), value);
    if (ec != std::errc() || value > std::numeric_limits<int32_t>::max()) {
      return SyntaxError(n, what + " is too large");
    }
    Take();
    return negative ? -value : value;
  }

  struct TypeName {
    std::string_view name;
    jet::ColumnType type;
    enum Extra { kNone, kTextSize, kBinarySize, kDecimal, kCounter } extra;
  };

  Status ColumnType(ColumnDefinition& col) {
    static constexpr TypeName kTypes[] = {
        {"TEXT", jet::ColumnType::kText, TypeName::kTextSize},
        {"CHAR", jet::ColumnType::kText, TypeName::kTextSize},
        {"CHARACTER", jet::ColumnType::kText, TypeName::kTextSize},
        {"VARCHAR", jet::ColumnType::kText, TypeName::kTextSize},
        {"STRING", jet::ColumnType::kText, TypeName::kTextSize},
        {"ALPHANUMERIC", jet::ColumnType::kText, TypeName::kTextSize},
        {"NCHAR", jet::ColumnType::kText, TypeName::kTextSize},
        {"NVARCHAR", jet::ColumnType::kText, TypeName::kTextSize},
        {"MEMO", jet::ColumnType::kMemo, TypeName::kNone},
        {"LONGTEXT", jet::ColumnType::kMemo, TypeName::kNone},
        {"LONGCHAR", jet::ColumnType::kMemo, TypeName::kNone},
        {"NOTE", jet::ColumnType::kMemo, TypeName::kNone},
        {"NTEXT", jet::ColumnType::kMemo, TypeName::kNone},
        {"BYTE", jet::ColumnType::kByte, TypeName::kNone},
        {"TINYINT", jet::ColumnType::kByte, TypeName::kNone},
        {"INTEGER1", jet::ColumnType::kByte, TypeName::kNone},
        {"SHORT", jet::ColumnType::kInteger, TypeName::kNone},
        {"SMALLINT", jet::ColumnType::kInteger, TypeName::kNone},
        {"INTEGER2", jet::ColumnType::kInteger, TypeName::kNone},
        {"LONG", jet::ColumnType::kLong, TypeName::kNone},
        {"INT", jet::ColumnType::kLong, TypeName::kNone},
        {"INTEGER", jet::ColumnType::kLong, TypeName::kNone},
        {"INTEGER4", jet::ColumnType::kLong, TypeName::kNone},
        {"COUNTER", jet::ColumnType::kLong, TypeName::kCounter},
        {"AUTOINCREMENT", jet::ColumnType::kLong, TypeName::kCounter},
        {"CURRENCY", jet::ColumnType::kCurrency, TypeName::kNone},
        {"MONEY", jet::ColumnType::kCurrency, TypeName::kNone},
        {"SINGLE", jet::ColumnType::kSingle, TypeName::kNone},
        {"REAL", jet::ColumnType::kSingle, TypeName::kNone},
        {"FLOAT4", jet::ColumnType::kSingle, TypeName::kNone},
        {"IEEESINGLE", jet::ColumnType::kSingle, TypeName::kNone},
        {"DOUBLE", jet::ColumnType::kDouble, TypeName::kNone},
        {"FLOAT", jet::ColumnType::kDouble, TypeName::kNone},
        {"FLOAT8", jet::ColumnType::kDouble, TypeName::kNone},
        {"IEEEDOUBLE", jet::ColumnType::kDouble, TypeName::kNone},
        {"NUMBER", jet::ColumnType::kDouble, TypeName::kNone},
        {"DATETIME", jet::ColumnType::kDateTime, TypeName::kNone},
        {"DATE", jet::ColumnType::kDateTime, TypeName::kNone},
        {"TIME", jet::ColumnType::kDateTime, TypeName::kNone},
        {"TIMESTAMP", jet::ColumnType::kDateTime, TypeName::kNone},
        {"YESNO", jet::ColumnType::kBoolean, TypeName::kNone},
        {"BIT", jet::ColumnType::kBoolean, TypeName::kNone},
        {"LOGICAL", jet::ColumnType::kBoolean, TypeName::kNone},
        {"LOGICAL1", jet::ColumnType::kBoolean, TypeName::kNone},
        {"BOOLEAN", jet::ColumnType::kBoolean, TypeName::kNone},
        {"BINARY", jet::ColumnType::kBinary, TypeName::kBinarySize},
        {"VARBINARY", jet::ColumnType::kBinary, TypeName::kBinarySize},
        {"LONGBINARY", jet::ColumnType::kOle, TypeName::kNone},
        {"OLEOBJECT", jet::ColumnType::kOle, TypeName::kNone},
        {"IMAGE", jet::ColumnType::kOle, TypeName::kNone},
        {"GENERAL", jet::ColumnType::kOle, TypeName::kNone},
        {"GUID", jet::ColumnType::kGuid, TypeName::kNone},
        {"UNIQUEIDENTIFIER", jet::ColumnType::kGuid, TypeName::kNone},
        {"DECIMAL", jet::ColumnType::kNumeric, TypeName::kDecimal},
        {"NUMERIC", jet::ColumnType::kNumeric, TypeName::kDecimal},
        {"DEC", jet::ColumnType::kNumeric, TypeName::kDecimal},
    };
    const Token& t = Peek();
    if (t.kind != TokenKind::kWord) return Expected("a column type");
    const TypeName* found = nullptr;
    for (const TypeName& candidate : kTypes) {
      if (EqualsIgnoreCase(t.text, candidate.name)) found = &candidate;
    }
    // Two-word spellings: CHARACTER VARYING, NATIONAL CHAR[ACTER] [VARYING],
    // BINARY VARYING, BIT VARYING, DOUBLE PRECISION.
    std::string written = Upper(t.text);
    if (IsWord(t, "NATIONAL")) {
      Take();
      if (!PeekWord("CHAR") && !PeekWord("CHARACTER")) return Expected("CHAR or CHARACTER after NATIONAL");
      written += " " + Upper(Peek().text);
      found = &kTypes[0];
    } else if (!found) {
      return SyntaxError(t, "unknown column type '" + t.text + "'");
    }
    Take();
    if ((found->extra == TypeName::kTextSize || found->extra == TypeName::kBinarySize) && PeekWord("VARYING")) {
      written += " VARYING";
      Take();
    } else if (IsWord(t, "BIT") && PeekWord("VARYING")) {
      written += " VARYING";
      Take();
      static constexpr TypeName kBitVarying = {"BIT VARYING", jet::ColumnType::kBinary, TypeName::kBinarySize};
      found = &kBitVarying;
    } else if (IsWord(t, "DOUBLE") && PeekWord("PRECISION")) {
      written += " PRECISION";
      Take();
    }
    col.type_name = written;
    col.type = found->type;
    const Token& paren = Peek();
    bool has_args = AcceptSymbol("(");
    switch (found->extra) {
      case TypeName::kTextSize:
      case TypeName::kBinarySize: {
        int max = found->extra == TypeName::kTextSize ? kMaxTextSize : kMaxBinarySize;
        col.size = static_cast<uint16_t>(max);
        if (has_args) {
          const Token& n = Peek();
          Result<int64_t> size = WholeNumber("a size");
          if (!size.ok()) return size.status();
          if (*size < 1 || *size > max) {
            return SyntaxError(n, "the size of " + written + " must be from 1 to " + std::to_string(max));
          }
          col.size = static_cast<uint16_t>(*size);
          TABULON_RETURN_IF_ERROR(ExpectSymbol(")"));
        }
        return Status::Ok();
      }
      case TypeName::kDecimal: {
        col.precision = 18;
        col.scale = 0;
        if (has_args) {
          const Token& p = Peek();
          Result<int64_t> precision = WholeNumber("a precision");
          if (!precision.ok()) return precision.status();
          if (*precision < 1 || *precision > kMaxDecimalPrecision) {
            return SyntaxError(p, "the precision of DECIMAL must be from 1 to 28");
          }
          col.precision = static_cast<uint8_t>(*precision);
          if (AcceptSymbol(",")) {
            const Token& s = Peek();
            Result<int64_t> scale = WholeNumber("a scale");
            if (!scale.ok()) return scale.status();
            if (*scale < 0 || *scale > *precision) {
              return SyntaxError(s, "the scale of DECIMAL must be from 0 to its precision");
            }
            col.scale = static_cast<uint8_t>(*scale);
          }
          TABULON_RETURN_IF_ERROR(ExpectSymbol(")"));
        }
        return Status::Ok();
      }
      case TypeName::kCounter: {
        col.autoincrement = true;
        if (has_args) {
          Result<int64_t> seed = WholeNumber("a seed");
          if (!seed.ok()) return seed.status();
          TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
          const Token& i = Peek();
          Result<int64_t> increment = WholeNumber("an increment");
          if (!increment.ok()) return increment.status();
          if (*increment == 0) return SyntaxError(i, "the increment of " + written + " must not be 0");
          if (*seed < std::numeric_limits<int32_t>::min() || *increment < std::numeric_limits<int32_t>::min()) {
            return SyntaxError(i, "the seed and increment of " + written + " must fit a Long Integer");
          }
          col.seed = static_cast<int32_t>(*seed);
          col.increment = static_cast<int32_t>(*increment);
          TABULON_RETURN_IF_ERROR(ExpectSymbol(")"));
        }
        return Status::Ok();
      }
      case TypeName::kNone:
        if (has_args) return SyntaxError(paren, "type " + written + " takes no size");
        return Status::Ok();
    }
    return Status::Ok();
  }

  Result<CreateIndexStatement> CreateIndex() {
    CreateIndexStatement s;
    if (AcceptWord("UNIQUE")) s.unique = true;
    TABULON_RETURN_IF_ERROR(ExpectWord("INDEX"));
    Result<std::string> name = Name("an index name");
    if (!name.ok()) return name.status();
    s.index = std::move(*name);
    TABULON_RETURN_IF_ERROR(ExpectWord("ON"));
    Result<TableRef> table = Table(/*allow_alias=*/false);
    if (!table.ok()) return table.status();
    s.table = std::move(*table);
    TABULON_RETURN_IF_ERROR(ExpectSymbol("("));
    for (;;) {
      IndexColumn c;
      c.position = Peek().position;
      Result<std::string> column = Name("a column name");
      if (!column.ok()) return column.status();
      for (const IndexColumn& existing : s.columns) {
        if (SameName(existing.name, *column)) {
          return Status::InvalidArgument("at character " + std::to_string(c.position) + ": column '" + *column +
                                         "' appears twice in the index");
        }
      }
      c.name = std::move(*column);
      if (AcceptWord("DESC")) {
        c.descending = true;
      } else {
        AcceptWord("ASC");
      }
      s.columns.push_back(std::move(c));
      if (s.columns.size() > kMaxIndexColumns) {
        return Status::InvalidArgument("at character " + std::to_string(s.columns.back().position) +
                                       ": an index can have at most 10 columns");
      }
      if (AcceptSymbol(")")) break;
      TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
    }
    if (AcceptWord("WITH")) {
      if (AcceptWord("PRIMARY")) {
        s.primary = true;
      } else if (PeekWord("DISALLOW")) {
        Take();
        TABULON_RETURN_IF_ERROR(ExpectWord("NULL"));
        s.disallow_null = true;
      } else if (PeekWord("IGNORE")) {
        Take();
        TABULON_RETURN_IF_ERROR(ExpectWord("NULL"));
        s.ignore_null = true;
      } else {
        return Expected("PRIMARY, DISALLOW NULL or IGNORE NULL after WITH");
      }
    }
    return s;
  }

  Result<sql::Statement> Drop() {
    Take();  // DROP
    if (AcceptWord("TABLE")) {
      DropTableStatement s;
      Result<TableRef> table = Table(/*allow_alias=*/false);
      if (!table.ok()) return table.status();
      s.table = std::move(*table);
      return Wrap(Result<DropTableStatement>(std::move(s)));
    }
    if (AcceptWord("INDEX")) {
      DropIndexStatement s;
      Result<std::string> name = Name("an index name");
      if (!name.ok()) return name.status();
      s.index = std::move(*name);
      TABULON_RETURN_IF_ERROR(ExpectWord("ON"));
      Result<TableRef> table = Table(/*allow_alias=*/false);
      if (!table.ok()) return table.status();
      s.table = std::move(*table);
      return Wrap(Result<DropIndexStatement>(std::move(s)));
    }
    for (std::string_view other : {"VIEW", "PROCEDURE", "PROC", "USER", "GROUP"}) {
      if (PeekWord(other)) return Unsupported(Peek(), "DROP " + Upper(other));
    }
    return Expected("TABLE or INDEX after DROP");
  }

  Result<AlterTableStatement> Alter() {
    Take();  // ALTER
    TABULON_RETURN_IF_ERROR(ExpectWord("TABLE"));
    AlterTableStatement s;
    Result<TableRef> table = Table(/*allow_alias=*/false);
    if (!table.ok()) return table.status();
    s.table = std::move(*table);
    if (PeekWord("ALTER")) return Unsupported(Peek(), "ALTER TABLE ... ALTER COLUMN");
    if (PeekWord("DROP")) return Unsupported(Peek(), "ALTER TABLE ... DROP");
    TABULON_RETURN_IF_ERROR(ExpectWord("ADD"));
    if (PeekWord("CONSTRAINT") || PeekWord("PRIMARY") || PeekWord("UNIQUE") || PeekWord("FOREIGN")) {
      s.action = AlterTableStatement::Action::kAddConstraint;
      Result<Constraint> c = TableConstraint();
      if (!c.ok()) return c.status();
      s.constraints.push_back(std::move(*c));
      return s;
    }
    AcceptWord("COLUMN");
    s.action = AlterTableStatement::Action::kAddColumn;
    Result<ColumnDefinition> column = ColumnDef(s.constraints);
    if (!column.ok()) return column.status();
    s.column = std::move(*column);
    if (PeekSymbol(",")) return Unsupported(Peek(), "adding several columns in one statement");
    return s;
  }

  // --- Expressions ---------------------------------------------------------------------

  static ExprPtr Node(ExprKind kind, size_t position) {
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->position = position;
    return e;
  }

  static ExprPtr Binary(BinaryOp op, size_t position, ExprPtr left, ExprPtr right) {
    ExprPtr e = Node(ExprKind::kBinary, position);
    e->binary_op = op;
    e->operands.push_back(std::move(left));
    e->operands.push_back(std::move(right));
    return e;
  }

  // Records the height of a node whose operands are complete; refuses trees that grow too
  // high (long chains like a+a+...+a build a tree as high as the chain is long).
  Status Height(const Expr& e) {
    int height = 1;
    for (const ExprPtr& child : e.operands) {
      auto it = heights_.find(child.get());
      height = std::max(height, 1 + (it == heights_.end() ? 1 : it->second));
    }
    if (height > kMaxHeight) {
      return SyntaxError(Peek(), "expression too complex (more than " + std::to_string(kMaxHeight) +
                                     " levels of operators)");
    }
    if (height > 1) heights_[&e] = height;
    return Status::Ok();
  }

  // Guards the recursion of one nesting level.
  struct Depth {
    explicit Depth(int& d) : d_(d) { ++d_; }
    ~Depth() { --d_; }
    int& d_;
  };
  Status CheckDepth() {
    if (depth_ > kMaxDepth) return SyntaxError(Peek(), "expression nested too deeply");
    return Status::Ok();
  }

  Result<ExprPtr> Expression() {
    Depth guard(depth_);
    TABULON_RETURN_IF_ERROR(CheckDepth());
    return Imp();
  }

  // Logical operators from the loosest: IMP, EQV, XOR, OR, AND, NOT.
  Result<ExprPtr> Imp() { return LeftAssoc(&Parser::Eqv, "IMP", BinaryOp::kImp); }
  Result<ExprPtr> Eqv() { return LeftAssoc(&Parser::Xor, "EQV", BinaryOp::kEqv); }
  Result<ExprPtr> Xor() { return LeftAssoc(&Parser::Or, "XOR", BinaryOp::kXor); }
  Result<ExprPtr> Or() { return LeftAssoc(&Parser::And, "OR", BinaryOp::kOr); }
  Result<ExprPtr> And() { return LeftAssoc(&Parser::Not, "AND", BinaryOp::kAnd); }

  Result<ExprPtr> LeftAssoc(Result<ExprPtr> (Parser::*next)(), std::string_view keyword, BinaryOp op) {
    Result<ExprPtr> left = (this->*next)();
    if (!left.ok()) return left;
    ExprPtr e = std::move(*left);
    while (PeekWord(keyword)) {
      size_t position = Take().position;
      Result<ExprPtr> right = (this->*next)();
      if (!right.ok()) return right;
      e = Binary(op, position, std::move(e), std::move(*right));
      TABULON_RETURN_IF_ERROR(Height(*e));
    }
    return e;
  }

  Result<ExprPtr> Not() {
    if (PeekWord("NOT")) {
      Depth guard(depth_);
      TABULON_RETURN_IF_ERROR(CheckDepth());
      size_t position = Take().position;
      Result<ExprPtr> operand = Not();
      if (!operand.ok()) return operand;
      ExprPtr e = Node(ExprKind::kUnary, position);
      e->unary_op = UnaryOp::kNot;
      e->operands.push_back(std::move(*operand));
      TABULON_RETURN_IF_ERROR(Height(*e));
      return e;
    }
    return Comparison();
  }

  Result<ExprPtr> Comparison() {
    Result<ExprPtr> left = Concat();
    if (!left.ok()) return left;
    ExprPtr e = std::move(*left);
    for (;;) {
      const Token& t = Peek();
      static constexpr std::pair<std::string_view, BinaryOp> kOps[] = {
          {"=", BinaryOp::kEqual},  {"<>", BinaryOp::kNotEqual},   {"<", BinaryOp::kLess},
          {"<=", BinaryOp::kLessEqual}, {">", BinaryOp::kGreater}, {">=", BinaryOp::kGreaterEqual},
      };
      bool matched = false;
      for (const auto& [symbol, op] : kOps) {
        if (IsSymbol(t, symbol)) {
          size_t position = Take().position;
          Result<ExprPtr> right = Concat();
          if (!right.ok()) return right;
          e = Binary(op, position, std::move(e), std::move(*right));
          TABULON_RETURN_IF_ERROR(Height(*e));
          matched = true;
          break;
        }
      }
      if (matched) continue;
      if (IsWord(t, "IS")) {
        size_t position = Take().position;
        bool negated = AcceptWord("NOT");
        if (!AcceptWord("NULL")) return Expected(negated ? "NULL after IS NOT" : "NULL or NOT NULL after IS");
        ExprPtr n = Node(ExprKind::kIsNull, position);
        n->negated = negated;
        n->operands.push_back(std::move(e));
        e = std::move(n);
        TABULON_RETURN_IF_ERROR(Height(*e));
        continue;
      }
      bool negated = false;
      size_t position = t.position;
      if (IsWord(t, "NOT") && (PeekWord("LIKE", 1) || PeekWord("IN", 1) || PeekWord("BETWEEN", 1))) {
        Take();
        negated = true;
      }
      if (AcceptWord("LIKE")) {
        Result<ExprPtr> pattern = Concat();
        if (!pattern.ok()) return pattern;
        ExprPtr n = Node(ExprKind::kLike, position);
        n->negated = negated;
        n->operands.push_back(std::move(e));
        n->operands.push_back(std::move(*pattern));
        e = std::move(n);
        TABULON_RETURN_IF_ERROR(Height(*e));
        continue;
      }
      if (AcceptWord("IN")) {
        if (!PeekSymbol("(")) return Expected("'(' after IN");
        if (PeekWord("SELECT", 1)) return Unsupported(Peek(1), "subqueries");
        Take();
        ExprPtr n = Node(ExprKind::kIn, position);
        n->negated = negated;
        n->operands.push_back(std::move(e));
        for (;;) {
          Result<ExprPtr> item = Expression();
          if (!item.ok()) return item;
          n->operands.push_back(std::move(*item));
          if (AcceptSymbol(")")) break;
          TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
        }
        e = std::move(n);
        TABULON_RETURN_IF_ERROR(Height(*e));
        continue;
      }
      if (AcceptWord("BETWEEN")) {
        Result<ExprPtr> low = Concat();
        if (!low.ok()) return low;
        TABULON_RETURN_IF_ERROR(ExpectWord("AND"));
        Result<ExprPtr> high = Concat();
        if (!high.ok()) return high;
        ExprPtr n = Node(ExprKind::kBetween, position);
        n->negated = negated;
        n->operands.push_back(std::move(e));
        n->operands.push_back(std::move(*low));
        n->operands.push_back(std::move(*high));
        e = std::move(n);
        TABULON_RETURN_IF_ERROR(Height(*e));
        continue;
      }
      return e;
    }
  }

  using Level = Result<ExprPtr> (Parser::*)();

  Result<ExprPtr> SymbolLevel(Level next, std::initializer_list<std::pair<std::string_view, BinaryOp>> ops) {
    Result<ExprPtr> left = (this->*next)();
    if (!left.ok()) return left;
    ExprPtr e = std::move(*left);
    for (;;) {
      bool matched = false;
      for (const auto& [symbol, op] : ops) {
        if (PeekSymbol(symbol)) {
          size_t position = Take().position;
          Result<ExprPtr> right = (this->*next)();
          if (!right.ok()) return right;
          e = Binary(op, position, std::move(e), std::move(*right));
          TABULON_RETURN_IF_ERROR(Height(*e));
          matched = true;
          break;
        }
      }
      if (!matched) return e;
    }
  }

  // Arithmetic from the loosest: &, + -, Mod, \, * /, unary - +, ^.
  Result<ExprPtr> Concat() { return SymbolLevel(&Parser::Additive, {{"&", BinaryOp::kConcat}}); }
  Result<ExprPtr> Additive() {
    return SymbolLevel(&Parser::Modulo, {{"+", BinaryOp::kAdd}, {"-", BinaryOp::kSubtract}});
  }
  Result<ExprPtr> Modulo() {
    Result<ExprPtr> left = IntDivide();
    if (!left.ok()) return left;
    ExprPtr e = std::move(*left);
    while (PeekWord("MOD")) {
      size_t position = Take().position;
      Result<ExprPtr> right = IntDivide();
      if (!right.ok()) return right;
      e = Binary(BinaryOp::kModulo, position, std::move(e), std::move(*right));
      TABULON_RETURN_IF_ERROR(Height(*e));
    }
    return e;
  }
  Result<ExprPtr> IntDivide() { return SymbolLevel(&Parser::Multiplicative, {{"\\", BinaryOp::kIntDivide}}); }
  Result<ExprPtr> Multiplicative() {
    return SymbolLevel(&Parser::Unary, {{"*", BinaryOp::kMultiply}, {"/", BinaryOp::kDivide}});
  }

  Result<ExprPtr> Unary() {
    if (PeekSymbol("-") || PeekSymbol("+")) {
      Depth guard(depth_);
      TABULON_RETURN_IF_ERROR(CheckDepth());
      const Token& sign = Take();
      bool minus = sign.text == "-";
      // A sign directly before a number belongs to the literal (so -32768 is an Integer),
      // unless a power follows: -2^2 is -(2^2).
      if (Peek().kind == TokenKind::kNumber && !PeekSymbol("^", 1)) {
        const Token& number = Take();
        return NumberLiteral(number, minus, sign.position);
      }
      Result<ExprPtr> operand = Unary();
      if (!operand.ok()) return operand;
      ExprPtr e = Node(ExprKind::kUnary, sign.position);
      e->unary_op = minus ? UnaryOp::kNegate : UnaryOp::kPlus;
      e->operands.push_back(std::move(*operand));
      TABULON_RETURN_IF_ERROR(Height(*e));
      return e;
    }
    return Power();
  }

  Result<ExprPtr> Power() {
    Result<ExprPtr> left = Primary();
    if (!left.ok()) return left;
    ExprPtr e = std::move(*left);
    while (PeekSymbol("^")) {
      size_t position = Take().position;
      Result<ExprPtr> right = PowerOperand();
      if (!right.ok()) return right;
      e = Binary(BinaryOp::kPower, position, std::move(e), std::move(*right));
      TABULON_RETURN_IF_ERROR(Height(*e));
    }
    return e;
  }

  // The exponent may carry its own sign: 2^-1.
  Result<ExprPtr> PowerOperand() {
    if (PeekSymbol("-") || PeekSymbol("+")) {
      Depth guard(depth_);
      TABULON_RETURN_IF_ERROR(CheckDepth());
      const Token& sign = Take();
      bool minus = sign.text == "-";
      if (Peek().kind == TokenKind::kNumber) return NumberLiteral(Take(), minus, sign.position);
      Result<ExprPtr> operand = PowerOperand();
      if (!operand.ok()) return operand;
      ExprPtr e = Node(ExprKind::kUnary, sign.position);
      e->unary_op = minus ? UnaryOp::kNegate : UnaryOp::kPlus;
      e->operands.push_back(std::move(*operand));
      TABULON_RETURN_IF_ERROR(Height(*e));
      return e;
    }
    return Primary();
  }

  Result<ExprPtr> Primary() {
    const Token& t = Peek();
    switch (t.kind) {
      case TokenKind::kNumber:
        Take();
        return NumberLiteral(t, false, t.position);
      case TokenKind::kString: {
        Take();
        ExprPtr e = Node(ExprKind::kLiteral, t.position);
        e->value = Value::Text(t.text);
        return e;
      }
      case TokenKind::kDate: {
        Take();
        std::optional<DateTime> date = ParseDateText(t.text);
        if (!date) return SyntaxError(t, "invalid date #" + t.text + "#");
        ExprPtr e = Node(ExprKind::kLiteral, t.position);
        e->value = Value::Date(*date);
        return e;
      }
      case TokenKind::kBracketed:
        return ColumnOrFunction();
      case TokenKind::kWord: {
        for (auto [word, value] : {std::pair<std::string_view, int>{"TRUE", 1}, {"YES", 1}, {"ON", 1},
                                   {"FALSE", 0}, {"NO", 0}, {"OFF", 0}}) {
          if (IsWord(t, word)) {
            Take();
            ExprPtr e = Node(ExprKind::kLiteral, t.position);
            e->value = Value::Boolean(value != 0);
            return e;
          }
        }
        if (IsWord(t, "NULL")) {
          Take();
          return Node(ExprKind::kLiteral, t.position);
        }
        if (IsWord(t, "SELECT")) return Unsupported(t, "subqueries");
        if (IsWord(t, "EXISTS") && PeekSymbol("(", 1)) return Unsupported(t, "subqueries (EXISTS)");
        // Left( and Right( are functions although LEFT and RIGHT are reserved (joins).
        if (IsReserved(t.text) && !(PeekSymbol("(", 1) && FindFunction(t.text))) return Expected("an expression");
        return ColumnOrFunction();
      }
      case TokenKind::kSymbol:
        if (t.text == "(") {
          if (PeekWord("SELECT", 1)) return Unsupported(Peek(1), "subqueries");
          Depth guard(depth_);
          TABULON_RETURN_IF_ERROR(CheckDepth());
          Take();
          Result<ExprPtr> inner = Expression();
          if (!inner.ok()) return inner;
          TABULON_RETURN_IF_ERROR(ExpectSymbol(")"));
          return inner;
        }
        break;
      case TokenKind::kEnd:
        break;
    }
    return Expected("an expression");
  }

  Result<ExprPtr> ColumnOrFunction() {
    const Token& first = Take();
    if (first.kind == TokenKind::kWord && PeekSymbol("(")) return FunctionCall(first);
    ExprPtr e = Node(ExprKind::kColumn, first.position);
    if (AcceptSymbol(".")) {
      const Token& second = Peek();
      if (second.kind == TokenKind::kBracketed ||
          (second.kind == TokenKind::kWord && !IsReserved(second.text))) {
        Take();
        e->column.table = first.text;
        e->column.name = second.text;
        if (PeekSymbol(".")) return Unsupported(Peek(), "names with more than one qualifier");
        return e;
      }
      return Expected("a column name after '.'");
    }
    e->column.name = first.text;
    return e;
  }

  Result<ExprPtr> FunctionCall(const Token& name) {
    Depth guard(depth_);
    TABULON_RETURN_IF_ERROR(CheckDepth());
    const FunctionInfo* info = FindFunction(name.text);
    if (!info) return Unsupported(name, "function '" + name.text + "'");
    Take();  // (
    ExprPtr e = Node(ExprKind::kFunction, name.position);
    e->function = name.text;
    if (PeekSymbol("*")) {
      if (!info->allows_star) return SyntaxError(Peek(), "'*' is allowed only in Count(*)");
      Take();
      e->star_argument = true;
      TABULON_RETURN_IF_ERROR(ExpectSymbol(")"));
      return e;
    }
    if (!AcceptSymbol(")")) {
      for (;;) {
        Result<ExprPtr> arg = Expression();
        if (!arg.ok()) return arg;
        e->operands.push_back(std::move(*arg));
        if (AcceptSymbol(")")) break;
        TABULON_RETURN_IF_ERROR(ExpectSymbol(","));
      }
    }
    int n = static_cast<int>(e->operands.size());
    if (n < info->min_args || n > info->max_args) {
      std::string count = info->min_args == info->max_args
                              ? std::to_string(info->min_args)
                              : std::to_string(info->min_args) + " to " + std::to_string(info->max_args);
      return SyntaxError(name, "function " + std::string(info->name) + " takes " + count + " argument" +
                                   (info->max_args == 1 ? "" : "s") + ", not " + std::to_string(n));
    }
    TABULON_RETURN_IF_ERROR(Height(*e));
    return e;
  }

  // A numeric literal (with the sign folded in): Integer or Long when it is a whole number
  // that fits, a Decimal for larger whole numbers and for fractions with more digits than
  // a Double keeps (so they reach Currency and Decimal columns exactly), a Double otherwise.
  Result<ExprPtr> NumberLiteral(const Token& t, bool negative, size_t position) {
    ExprPtr e = Node(ExprKind::kLiteral, position);
    const std::string& s = t.text;
    bool whole = s.find_first_of(".eE") == std::string::npos;
    if (whole) {
      int64_t v = 0;
      auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
      if (ec == std::errc() && end == s.data() + s.size()) {
        if (negative) v = -v;
        if (v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max()) {
          e->value = Value::Integer(static_cast<int16_t>(v));
          return e;
        }
        if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
          e->value = Value::Long(static_cast<int32_t>(v));
          return e;
        }
      }
    }
    if (s.find_first_of("eE") == std::string::npos) {
      std::optional<Decimal> d = ParseDecimalDigits(s, negative);
      if (d && (whole || SignificantDigits(s) > 15)) {
        e->value = Value::Number(*d);
        return e;
      }
    }
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) {
      return SyntaxError(t, "number '" + s + "' is out of range");
    }
    e->value = Value::Double(negative ? -v : v);
    return e;
  }

  static int SignificantDigits(const std::string& s) {
    int count = 0;
    bool leading = true;
    for (char c : s) {
      if (c < '0' || c > '9') continue;
      if (leading && c == '0') continue;
      leading = false;
      ++count;
    }
    return count;
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::unordered_map<const Expr*, int> heights_;
};

}  // namespace

Result<Statement> ParseStatement(std::string_view utf8) {
  Result<std::vector<Token>> tokens = Tokenize(utf8);
  if (!tokens.ok()) return tokens.status();
  return Parser(std::move(*tokens)).WholeStatement();
}

Result<ExprPtr> ParseExpression(std::string_view utf8) {
  Result<std::vector<Token>> tokens = Tokenize(utf8);
  if (!tokens.ok()) return tokens.status();
  return Parser(std::move(*tokens)).LoneExpression();
}

}  // namespace tabulon::jet::sql
