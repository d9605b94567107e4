// The syntax tree of one Jet SQL statement, as the parser (parser.h) builds it and the
// executor runs it. Names are kept as written (without brackets); the executor resolves
// table, column and index names case-insensitively as Jet does (CompareText of
// collation.h == 0). Positions are 1-based character offsets into the statement text, for
// error messages that point at the place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/value.h"

namespace tabulon::jet::sql {

// ---------------------------------------------------------------------------------------
// Expressions

enum class ExprKind {
  kLiteral,   // value
  kColumn,    // column
  kUnary,     // unary_op operands[0]
  kBinary,    // operands[0] binary_op operands[1]
  kIsNull,    // operands[0] IS [NOT] NULL                (negated: IS NOT NULL)
  kLike,      // operands[0] [NOT] LIKE operands[1]       (negated: NOT LIKE)
  kIn,        // operands[0] [NOT] IN (operands[1], ...)  (negated: NOT IN)
  kBetween,   // operands[0] [NOT] BETWEEN operands[1] AND operands[2]
  kFunction,  // function(operands...), or function(*) with star_argument
};

enum class UnaryOp {
  kNegate,  // -x
  kPlus,    // +x
  kNot,     // NOT x
};

enum class BinaryOp {
  kAdd,           // +   (numbers; also joins two texts)
  kSubtract,      // -
  kMultiply,      // *
  kDivide,        // /
  kIntDivide,     // \   (integer division)
  kModulo,        // Mod
  kPower,         // ^
  kConcat,        // &   (text concatenation; Null counts as empty)
  kEqual,         // =
  kNotEqual,      // <>
  kLess,          // <
  kLessEqual,     // <=
  kGreater,       // >
  kGreaterEqual,  // >=
  kAnd,           // AND
  kOr,            // OR
  kXor,           // XOR
  kEqv,           // EQV
  kImp,           // IMP
};

// A column reference: `name` or `table.name` (either part may have been bracketed).
struct ColumnRef {
  std::string table;  // qualifier as written, empty when none
  std::string name;
  // Free for the executor: the slot it resolved this reference to (BindColumns in
  // evaluator.h fills it), so that rows can be read by position instead of by name.
  int index = -1;
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
  ExprKind kind = ExprKind::kLiteral;
  // 1-based character offset: of the operator for operator nodes (kUnary, kBinary,
  // kIsNull, kLike, kIn, kBetween), else of the literal, name or function name.
  size_t position = 0;

  Value value;                             // kLiteral
  ColumnRef column;                        // kColumn
  UnaryOp unary_op = UnaryOp::kNot;        // kUnary
  BinaryOp binary_op = BinaryOp::kEqual;   // kBinary
  bool negated = false;                    // kIsNull, kLike, kIn, kBetween
  std::string function;                    // kFunction: the name as written
  bool star_argument = false;              // kFunction: Count(*)
  std::vector<ExprPtr> operands;           // see ExprKind
};

// ---------------------------------------------------------------------------------------
// SELECT

struct TableRef {
  std::string name;
  std::string alias;  // empty when none
  size_t position = 0;
};

// One item of the select list: `*`, `table.*`, or an expression with an optional alias.
struct SelectItem {
  bool star = false;
  std::string star_table;  // `table.*`: the qualifier; empty for a plain `*`
  ExprPtr expr;            // null for a star item
  std::string alias;       // `expr AS alias`; empty when none
  size_t position = 0;
};

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
};

// When any item uses an aggregate function (ContainsAggregate in evaluator.h), the
// query yields one row and the parser has checked that every item and ORDER BY term is
// computed from aggregates only (Aggregator computes them).
struct SelectStatement {
  bool distinct = false;            // SELECT DISTINCT
  std::optional<int64_t> top;       // SELECT TOP n
  bool top_percent = false;         // SELECT TOP n PERCENT
  std::vector<SelectItem> items;
  TableRef from;
  ExprPtr where;                    // null when there is no WHERE
  std::vector<OrderItem> order_by;  // empty when there is no ORDER BY
};

// ---------------------------------------------------------------------------------------
// INSERT, UPDATE, DELETE

// INSERT INTO table [(columns)] VALUES (values). Without a column list the values fill
// the table's columns in their order.
struct InsertStatement {
  TableRef table;
  std::vector<std::string> columns;  // empty when no column list was given
  std::vector<size_t> column_positions;
  std::vector<ExprPtr> values;  // constants: the parser refuses column references here
};

struct Assignment {
  std::string column;
  ExprPtr value;
  size_t position = 0;  // of the column name
};

struct UpdateStatement {
  TableRef table;
  std::vector<Assignment> assignments;
  ExprPtr where;  // null when there is no WHERE
};

struct DeleteStatement {
  TableRef table;
  ExprPtr where;  // null when there is no WHERE
};

// ---------------------------------------------------------------------------------------
// DDL

struct ColumnDefinition {
  std::string name;
  size_t position = 0;
  std::string type_name;  // the type as written (upper case), for messages: "VARCHAR"
  ColumnType type = ColumnType::kText;
  // Text: maximum length in characters (1-255; TEXT without a size is 255).
  // Binary: maximum length in bytes (1-255; BINARY without a size is 255).
  // 0 for every other type.
  uint16_t size = 0;
  uint8_t precision = 0;  // Decimal: 1-28 (default 18); 0 for other types
  uint8_t scale = 0;      // Decimal: 0-precision (default 0)
  // NOT NULL as written for the column. A PRIMARY KEY does not set it: the primary key's
  // index refuses Nulls itself.
  bool not_null = false;
  // COUNTER / AUTOINCREMENT [(seed, increment)]: a Long column numbered by the engine.
  bool autoincrement = false;
  int32_t seed = 1;
  int32_t increment = 1;
  bool compressed = false;  // WITH COMPRESSION / WITH COMP (Unicode compression of text)
  ExprPtr default_value;    // DEFAULT expr (a constant: no columns); null when none
};

enum class ConstraintKind {
  kPrimaryKey,  // PRIMARY KEY: unique, no Nulls (the columns become NOT NULL)
  kUnique,      // UNIQUE
  kNotNull,     // CONSTRAINT name NOT NULL (columns): NOT NULL on each column; in CREATE
                // TABLE the parser has set ColumnDefinition::not_null for them already
};

// A constraint of CREATE TABLE or ALTER TABLE ... ADD CONSTRAINT. Constraints written
// with a column (`id LONG PRIMARY KEY`) are stored here as one-column constraints, in the
// order they appear; the executor makes one index for each PRIMARY KEY / UNIQUE.
struct Constraint {
  std::string name;  // CONSTRAINT name; empty when unnamed (the executor chooses one)
  ConstraintKind kind = ConstraintKind::kPrimaryKey;
  std::vector<std::string> columns;
  size_t position = 0;
};

struct CreateTableStatement {
  TableRef table;
  std::vector<ColumnDefinition> columns;
  std::vector<Constraint> constraints;  // at most one kPrimaryKey
};

struct IndexColumn {
  std::string name;
  bool descending = false;
  size_t position = 0;
};

// CREATE [UNIQUE] INDEX index ON table (col [ASC|DESC], ...)
//   [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
struct CreateIndexStatement {
  std::string index;
  TableRef table;
  std::vector<IndexColumn> columns;
  bool unique = false;
  bool primary = false;        // WITH PRIMARY (also unique and no Nulls)
  bool disallow_null = false;  // WITH DISALLOW NULL: rows with a Null key column are refused
  bool ignore_null = false;    // WITH IGNORE NULL: rows with a Null key get no index entry
};

struct DropIndexStatement {
  std::string index;
  TableRef table;
};

struct DropTableStatement {
  TableRef table;
};

// ALTER TABLE table ADD [COLUMN] column-definition [constraint]
// ALTER TABLE table ADD CONSTRAINT name {PRIMARY KEY | UNIQUE | NOT NULL} (columns)
struct AlterTableStatement {
  enum class Action { kAddColumn, kAddConstraint };
  TableRef table;
  Action action = Action::kAddColumn;
  ColumnDefinition column;              // kAddColumn
  std::vector<Constraint> constraints;  // kAddColumn: the column's own (one column each);
                                        // kAddConstraint: exactly one
};

// ---------------------------------------------------------------------------------------
// Statements

enum class StatementKind {
  kSelect,
  kInsert,
  kUpdate,
  kDelete,
  kCreateTable,
  kCreateIndex,
  kDropIndex,
  kDropTable,
  kAlterTable,
};

struct Statement {
  // The alternatives are in the order of StatementKind.
  std::variant<SelectStatement, InsertStatement, UpdateStatement, DeleteStatement,
               CreateTableStatement, CreateIndexStatement, DropIndexStatement,
               DropTableStatement, AlterTableStatement>
      body;

  StatementKind kind() const { return static_cast<StatementKind>(body.index()); }
  // True for the statements that change data or definitions (all but SELECT).
  bool changes_database() const { return kind() != StatementKind::kSelect; }

  template <typename T> T& as() { return std::get<T>(body); }
  template <typename T> const T& as() const { return std::get<T>(body); }
};

}  // namespace tabulon::jet::sql
