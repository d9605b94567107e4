#include "jet/sql/dump.h"

#include "jet/sql/convert.h"
#include "jet/sql/value_util.h"

namespace tabulon::jet::sql {
namespace {

// Appends the pieces in order (instead of `out += "x" + piece`, which builds a temporary).
template <typename... Pieces>
void Append(std::string& out, const Pieces&... pieces) {
  (out.append(pieces), ...);
}

// A name as it can be written back: plain when it is a simple word, else in brackets.
std::string NameText(const std::string& name) {
  bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (unsigned char c : name) {
    bool word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
    plain = plain && word;
  }
  return plain ? name : "[" + name + "]";
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// Literals show their type where the text alone would not: 5 (Integer), 5L (Long),
// 1.5D (Double), 1.5F (Single), 1.50M (Decimal), 1.5C (Currency).
std::string LiteralText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNull: return "NULL";
    case Value::Kind::kBoolean: return v.boolean() ? "TRUE" : "FALSE";
    case Value::Kind::kByte: return ValueToText(v) + "B";
    case Value::Kind::kInteger: return ValueToText(v);
    case Value::Kind::kLong: return ValueToText(v) + "L";
    case Value::Kind::kCurrency: return ValueToText(v) + "C";
    case Value::Kind::kSingle: return ValueToText(v) + "F";
    case Value::Kind::kDouble: return ValueToText(v) + "D";
    case Value::Kind::kDecimal: return ValueToText(v) + "M";
    case Value::Kind::kDateTime: {
      std::string out = "#";
      Append(out, ValueToText(v), "#");
      return out;
    }
    case Value::Kind::kText: return Quote(v.text());
    case Value::Kind::kBinary: return "<binary " + std::to_string(v.bytes().size()) + " bytes>";
    case Value::Kind::kGuid: return ValueToText(v);
  }
  return "?";
}

const char* BinaryName(BinaryOp op) {
  switch (op) {
    case BinaryOp::kAdd: return "+";
    case BinaryOp::kSubtract: return "-";
    case BinaryOp::kMultiply: return "*";
    case BinaryOp::kDivide: return "/";
    case BinaryOp::kIntDivide: return "\\";
    case BinaryOp::kModulo: return "mod";
    case BinaryOp::kPower: return "^";
    case BinaryOp::kConcat: return "&";
    case BinaryOp::kEqual: return "=";
    case BinaryOp::kNotEqual: return "<>";
    case BinaryOp::kLess: return "<";
    case BinaryOp::kLessEqual: return "<=";
    case BinaryOp::kGreater: return ">";
    case BinaryOp::kGreaterEqual: return ">=";
    case BinaryOp::kAnd: return "and";
    case BinaryOp::kOr: return "or";
    case BinaryOp::kXor: return "xor";
    case BinaryOp::kEqv: return "eqv";
    case BinaryOp::kImp: return "imp";
  }
  return "?";
}

void Expr_(const Expr& e, std::string& out);

void Operands(const Expr& e, size_t from, std::string& out) {
  for (size_t i = from; i < e.operands.size(); ++i) {
    out += ' ';
    Expr_(*e.operands[i], out);
  }
}

void Expr_(const Expr& e, std::string& out) {
  switch (e.kind) {
    case ExprKind::kLiteral:
      out += LiteralText(e.value);
      return;
    case ExprKind::kColumn:
      if (!e.column.table.empty()) out += NameText(e.column.table) + ".";
      out += NameText(e.column.name);
      return;
    case ExprKind::kUnary:
      out += e.unary_op == UnaryOp::kNot ? "(not" : e.unary_op == UnaryOp::kNegate ? "(neg" : "(pos";
      break;
    case ExprKind::kBinary:
      out += "(";
      out += BinaryName(e.binary_op);
      break;
    case ExprKind::kIsNull:
      out += e.negated ? "(is-not-null" : "(is-null";
      break;
    case ExprKind::kLike:
      out += e.negated ? "(not-like" : "(like";
      break;
    case ExprKind::kIn:
      out += e.negated ? "(not-in" : "(in";
      break;
    case ExprKind::kBetween:
      out += e.negated ? "(not-between" : "(between";
      break;
    case ExprKind::kFunction:
      out += "(call " + e.function;
      if (e.star_argument) out += " *";
      break;
  }
  Operands(e, 0, out);
  out += ")";
}

std::string Table(const TableRef& t) {
  std::string s = NameText(t.name);
  if (!t.alias.empty()) Append(s, " ", NameText(t.alias));
  return s;
}

std::string Where(const ExprPtr& where) { return where ? " (where " + DumpExpr(*where) + ")" : ""; }

std::string TypeText(const ColumnDefinition& c) {
  std::string s = ColumnTypeName(c.type);
  if (c.type == ColumnType::kText || c.type == ColumnType::kBinary) Append(s, "(", std::to_string(c.size), ")");
  if (c.type == ColumnType::kNumeric) {
    Append(s, "(", std::to_string(c.precision), ",", std::to_string(c.scale), ")");
  }
  return "[" + s + "]";
}

std::string Column(const ColumnDefinition& c) {
  std::string s = "(column " + NameText(c.name) + " " + TypeText(c);
  if (c.not_null) s += " not-null";
  if (c.autoincrement) s += " (autoincrement " + std::to_string(c.seed) + " " + std::to_string(c.increment) + ")";
  if (c.compressed) s += " compressed";
  if (c.default_value) s += " (default " + DumpExpr(*c.default_value) + ")";
  return s + ")";
}

std::string ConstraintText(const Constraint& c) {
  std::string s = c.kind == ConstraintKind::kPrimaryKey ? "(primary-key"
                  : c.kind == ConstraintKind::kUnique   ? "(unique"
                                                        : "(not-null";
  if (!c.name.empty()) Append(s, " ", NameText(c.name));
  s += " (";
  for (size_t i = 0; i < c.columns.size(); ++i) Append(s, i ? " " : "", NameText(c.columns[i]));
  return s + "))";
}

}  // namespace

std::string DumpExpr(const Expr& expr) {
  std::string out;
  Expr_(expr, out);
  return out;
}

std::string DumpStatement(const Statement& statement) {
  switch (statement.kind()) {
    case StatementKind::kSelect: {
      const auto& s = statement.as<SelectStatement>();
      std::string out = "(select";
      if (s.distinct) out += " distinct";
      if (s.top) out += " (top " + std::to_string(*s.top) + (s.top_percent ? " percent)" : ")");
      out += " (items";
      for (const SelectItem& item : s.items) {
        out += " ";
        if (item.star) {
          out += item.star_table.empty() ? "*" : NameText(item.star_table) + ".*";
        } else if (!item.alias.empty()) {
          out += "(as " + DumpExpr(*item.expr) + " " + NameText(item.alias) + ")";
        } else {
          out += DumpExpr(*item.expr);
        }
      }
      out += ") (from " + Table(s.from) + ")" + Where(s.where);
      if (!s.order_by.empty()) {
        out += " (order-by";
        for (const OrderItem& o : s.order_by) out += std::string(o.descending ? " (desc " : " (asc ") + DumpExpr(*o.expr) + ")";
        out += ")";
      }
      return out + ")";
    }
    case StatementKind::kInsert: {
      const auto& s = statement.as<InsertStatement>();
      std::string out = "(insert " + Table(s.table);
      if (!s.columns.empty()) {
        out += " (columns";
        for (const std::string& c : s.columns) Append(out, " ", NameText(c));
        out += ")";
      }
      out += " (values";
      for (const ExprPtr& v : s.values) Append(out, " ", DumpExpr(*v));
      return out + "))";
    }
    case StatementKind::kUpdate: {
      const auto& s = statement.as<UpdateStatement>();
      std::string out = "(update " + Table(s.table);
      for (const Assignment& a : s.assignments) out += " (set " + NameText(a.column) + " " + DumpExpr(*a.value) + ")";
      return out + Where(s.where) + ")";
    }
    case StatementKind::kDelete: {
      const auto& s = statement.as<DeleteStatement>();
      return "(delete " + Table(s.table) + Where(s.where) + ")";
    }
    case StatementKind::kCreateTable: {
      const auto& s = statement.as<CreateTableStatement>();
      std::string out = "(create-table " + Table(s.table);
      for (const ColumnDefinition& c : s.columns) Append(out, " ", Column(c));
      for (const Constraint& c : s.constraints) Append(out, " ", ConstraintText(c));
      return out + ")";
    }
    case StatementKind::kCreateIndex: {
      const auto& s = statement.as<CreateIndexStatement>();
      std::string out = "(create-index ";
      if (s.unique) out += "unique ";
      out += NameText(s.index) + " " + Table(s.table) + " (";
      for (size_t i = 0; i < s.columns.size(); ++i) {
        out += i ? " " : "";
        out += s.columns[i].descending ? "(desc " + NameText(s.columns[i].name) + ")" : NameText(s.columns[i].name);
      }
      out += ")";
      if (s.primary) out += " primary";
      if (s.disallow_null) out += " disallow-null";
      if (s.ignore_null) out += " ignore-null";
      return out + ")";
    }
    case StatementKind::kDropIndex: {
      const auto& s = statement.as<DropIndexStatement>();
      return "(drop-index " + NameText(s.index) + " " + Table(s.table) + ")";
    }
    case StatementKind::kDropTable:
      return "(drop-table " + Table(statement.as<DropTableStatement>().table) + ")";
    case StatementKind::kAlterTable: {
      const auto& s = statement.as<AlterTableStatement>();
      std::string out = "(alter-table " + Table(s.table);
      if (s.action == AlterTableStatement::Action::kAddColumn) out += " (add " + Column(s.column) + ")";
      for (const Constraint& c : s.constraints) out += " (add " + ConstraintText(c) + ")";
      return out + ")";
    }
  }
  return "?";
}

}  // namespace tabulon::jet::sql
