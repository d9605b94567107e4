#include "schema.h"

namespace tabulon::jetdb {

using jet::ColumnType;

namespace {

std::string Bracket(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out.push_back(c);
    if (c == ']') out.push_back(']');
  }
  out.push_back(']');
  return out;
}

}  // namespace

std::string SqlTypeName(const jet::ColumnDef& c) {
  if (!c.known_type()) return "UNKNOWN_" + std::to_string(c.raw_type);
  switch (c.type) {
    case ColumnType::kBoolean: return "BIT";
    case ColumnType::kByte: return "BYTE";
    case ColumnType::kInteger: return "SHORT";
    case ColumnType::kLong: return c.auto_number() ? "COUNTER" : "LONG";
    case ColumnType::kCurrency: return "CURRENCY";
    case ColumnType::kSingle: return "SINGLE";
    case ColumnType::kDouble: return "DOUBLE";
    case ColumnType::kDateTime: return "DATETIME";
    case ColumnType::kBinary: return "BINARY(" + std::to_string(c.length) + ")";
    case ColumnType::kText: return "TEXT(" + std::to_string(c.length / 2) + ")";
    case ColumnType::kOle: return "LONGBINARY";
    case ColumnType::kMemo: return "MEMO";
    case ColumnType::kGuid: return "GUID";
    case ColumnType::kNumeric:
      return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  }
  return "UNKNOWN";
}

std::string TableDdl(const jet::Table& table) {
  const jet::TableDef& def = table.def();
  std::string out = "CREATE TABLE " + Bracket(table.name()) + " (\n";
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const jet::ColumnDef& c = def.columns[i];
    out += "  " + Bracket(c.name) + " " + SqlTypeName(c);
    if (!c.nullable()) out += " NOT NULL";
    out += i + 1 < def.columns.size() ? ",\n" : "\n";
  }
  out += ");\n";
  for (const jet::IndexDef& idx : def.indexes) {
    const jet::PhysicalIndex& phys = def.physical_indexes[idx.physical];
    std::string columns;
    for (size_t i = 0; i < phys.columns.size(); ++i) {
      if (i) columns += ", ";
      columns += Bracket(def.columns[phys.columns[i].column].name);
      if (!phys.columns[i].ascending) columns += " DESC";
    }
    if (idx.foreign_key()) {
      out += "-- foreign key " + Bracket(idx.name) + " (" + columns + ")\n";
      continue;
    }
    out += "CREATE ";
    if (phys.unique() || idx.primary_key()) out += "UNIQUE ";
    out += "INDEX " + Bracket(idx.name) + " ON " + Bracket(table.name()) + " (" + columns + ")";
    if (idx.primary_key()) {
      out += " WITH PRIMARY";
    } else if (phys.required()) {
      out += " WITH DISALLOW NULL";
    } else if (phys.ignore_nulls()) {
      out += " WITH IGNORE NULL";
    }
    out += ";\n";
  }
  return out;
}

}  // namespace tabulon::jetdb
