// The Jet SQL parser: one statement of UTF-8 text to a syntax tree (ast.h).
//
// Accepted, as Jet SQL writes them (keywords in any case, names plain or [bracketed],
// an optional trailing ";"):
//   SELECT [DISTINCT] [TOP n [PERCENT]] * | item [, item ...] FROM table [[AS] alias]
//          [WHERE condition] [ORDER BY expr [ASC|DESC] [, ...]]
//   INSERT INTO table [(col, ...)] VALUES (expr, ...)
//   UPDATE table SET col = expr [, ...] [WHERE condition]
//   DELETE [*] FROM table [WHERE condition]
//   CREATE TABLE table (column-definition | constraint [, ...])
//   CREATE [UNIQUE] INDEX name ON table (col [ASC|DESC], ...)
//          [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
//   DROP INDEX name ON table      DROP TABLE table
//   ALTER TABLE table ADD [COLUMN] column-definition | ADD CONSTRAINT ...
// Expressions: literals ('text', "text", numbers, #date#, True/False/Yes/No/On/Off,
// Null), names, = <> < <= > >= AND OR XOR EQV IMP NOT, IS [NOT] NULL, [NOT] LIKE,
// [NOT] IN (list), [NOT] BETWEEN, + - * / \ Mod ^ &, and the functions of functions.h
// (aggregates only in the select list).
//
// Errors: Status::InvalidArgument for text that is not valid Jet SQL, and
// Status::NotSupported for valid Jet SQL that this engine does not run (joins, subqueries,
// GROUP BY, foreign keys, ...). Each message names the 1-based character position and
// what was expected or what is not supported, for example
//   "syntax error at character 10: expected FROM, found 'form'".
#pragma once

#include <string_view>

#include "base/status.h"
#include "jet/sql/ast.h"

namespace tabulon::jet::sql {

// Parses exactly one statement (a trailing ";" and blanks are allowed; anything else
// after the statement is an error, as in Jet: "characters found after end of SQL
// statement").
Result<Statement> ParseStatement(std::string_view utf8);

// Parses a lone expression (a WHERE condition, a DEFAULT value), for tools and tests.
Result<ExprPtr> ParseExpression(std::string_view utf8);

}  // namespace tabulon::jet::sql
