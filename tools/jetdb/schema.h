// Table definitions rendered as Jet SQL DDL (CREATE TABLE and CREATE INDEX statements).
#pragma once

#include <string>

#include "jet/table.h"

namespace tabulon::jetdb {

// The Jet SQL type of a column: "TEXT(50)", "LONG", "COUNTER", "DECIMAL(18,2)", ...
std::string SqlTypeName(const jet::ColumnDef& column);
// CREATE TABLE followed by a CREATE INDEX for each index (foreign keys as comments).
std::string TableDdl(const jet::Table& table);

}  // namespace tabulon::jetdb
