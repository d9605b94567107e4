// The SQL parser: valid statements against a dump of their syntax tree, invalid ones
// against the error code and the position their message names.
#include <gtest/gtest.h>

#include <string>

#include "jet/sql/dump.h"
#include "jet/sql/parser.h"

namespace tabulon::jet::sql {
namespace {

struct ValidCase {
  const char* sql;
  const char* dump;
  friend void PrintTo(const ValidCase& c, std::ostream* os) { *os << c.sql; }
};

class ParseValid : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ParseValid, Dump) {
  Result<Statement> st = ParseStatement(GetParam().sql);
  ASSERT_TRUE(st.ok()) << GetParam().sql << "\n" << st.status().ToString();
  EXPECT_EQ(DumpStatement(*st), GetParam().dump) << GetParam().sql;
}

// The statements the loader runs (configuration database) come first.
INSTANTIATE_TEST_SUITE_P(
    Loader, ParseValid,
    ::testing::Values(
        ValidCase{"select SysVal from SysConfig where Class='SYSTEM' and Name='AppVer'",
                  "(select (items SysVal) (from SysConfig) (where (and (= Class 'SYSTEM') (= Name 'AppVer'))))"},
        ValidCase{"update SysConfig set SysVal='1.0.3' where Class='SYSTEM' and Name='AppVer'",
                  "(update SysConfig (set SysVal '1.0.3') (where (and (= Class 'SYSTEM') (= Name 'AppVer'))))"},
        ValidCase{"select * from moudleBase where moudleCode='20'",
                  "(select (items *) (from moudleBase) (where (= moudleCode '20')))"},
        ValidCase{"update moudleBase set version='2.1.0' where moudleCode='O''Brien'",
                  "(update moudleBase (set version '2.1.0') (where (= moudleCode 'O''Brien')))"},
        ValidCase{"select * from company", "(select (items *) (from company))"}));

INSTANTIATE_TEST_SUITE_P(
    Select, ParseValid,
    ::testing::Values(
        // keywords in any case, names plain, bracketed, Chinese, qualified
        ValidCase{"SeLeCt a, [b c], 名称, [表].[列], t.x FROM t",
                  "(select (items a [b c] 名称 表.列 t.x) (from t))"},
        ValidCase{"select * from [My Table] as m where m.id = 1;",
                  "(select (items *) (from [My Table] m) (where (= m.id 1)))"},
        ValidCase{"select t.* from t x", "(select (items t.*) (from t x))"},
        ValidCase{"select distinct top 5 a as [Alias 1], b + 1 as c from t order by a desc, b",
                  "(select distinct (top 5) (items (as a [Alias 1]) (as (+ b 1) c)) (from t) (order-by (desc a) (asc b)))"},
        ValidCase{"select top 10 percent * from t", "(select (top 10 percent) (items *) (from t))"},
        ValidCase{"select count(*), Sum(x) + 1 as s, max(ucase(name)) from t order by count(*)",
                  "(select (items (call count *) (as (+ (call Sum x) 1) s) (call max (call ucase name))) (from t) "
                  "(order-by (asc (call count *))))"},
        // literals: text in both quotes, numbers of each width, dates, booleans, Null
        ValidCase{"select * from t where a = \"say \"\"hi\"\"\" or b = 'it''s'",
                  "(select (items *) (from t) (where (or (= a 'say \"hi\"') (= b 'it''s'))))"},
        ValidCase{"select * from t where a in (1, -32768, 32768, 70000, 3000000000, 1.5, .5, 1E3, 2.5e-3)",
                  "(select (items *) (from t) (where (in a 1 -32768 32768L 70000L 3000000000M 1.5D 0.5D 1000D 0.0025D)))"},
        ValidCase{"select * from t where a = 123456789012.3456789",
                  "(select (items *) (from t) (where (= a 123456789012.3456789M)))"},
        ValidCase{"select * from t where d between #2024-01-05# and #12/31/2024 11:30 PM#",
                  "(select (items *) (from t) (where (between d #2024-01-05# #2024-12-31 23:30:00#)))"},
        ValidCase{"select * from t where d = #1/2/99# or d = #13:05#",
                  "(select (items *) (from t) (where (or (= d #1999-01-02#) (= d #13:05:00#))))"},
        ValidCase{"select * from t where a = True and b = no and c = On and d = OFF and e is null",
                  "(select (items *) (from t) (where (and (and (and (and (= a TRUE) (= b FALSE)) (= c TRUE)) (= d FALSE)) "
                  "(is-null e))))"},
        // operators and their precedence
        ValidCase{"select * from t where not a = 1 or b <> 2 and c >= 3",
                  "(select (items *) (from t) (where (or (not (= a 1)) (and (<> b 2) (>= c 3)))))"},
        ValidCase{"select a & b + c * -d ^ 2 mod 3 \\ 4 / 5 from t",
                  "(select (items (& a (+ b (mod (* c (neg (^ d 2))) (\\ 3 (/ 4 5)))))) (from t))"},
        ValidCase{"select -2^2, 2^-1, - -x from t",
                  "(select (items (neg (^ 2 2)) (^ 2 -1) (neg (neg x))) (from t))"},
        ValidCase{"select * from t where a is not null and b not like 'x*' and c not in ('a') and d not between 1 and 2",
                  "(select (items *) (from t) (where (and (and (and (is-not-null a) (not-like b 'x*')) (not-in c 'a')) "
                  "(not-between d 1 2))))"},
        ValidCase{"select * from t where a between 1 and 2 and b like '[a-c]#?*'",
                  "(select (items *) (from t) (where (and (between a 1 2) (like b '[a-c]#?*'))))"},
        ValidCase{"select * from t where (a or b) and (c xor d) eqv e imp f",
                  "(select (items *) (from t) (where (imp (eqv (and (or a b) (xor c d)) e) f)))"},
        ValidCase{"select 'a'&'b' from t", "(select (items (& 'a' 'b')) (from t))"},
        ValidCase{"select * from t where a=1-1", "(select (items *) (from t) (where (= a (- 1 1))))"}));

INSTANTIATE_TEST_SUITE_P(
    Write, ParseValid,
    ::testing::Values(
        ValidCase{"insert into t values (1, 'a', null)", "(insert t (values 1 'a' NULL))"},
        ValidCase{"INSERT INTO [t 1] (a, [b c], [t 1].d) VALUES (-1.5, #2020-02-29#, 'x' & 'y');",
                  "(insert [t 1] (columns a [b c] d) (values -1.5D #2020-02-29# (& 'x' 'y')))"},
        ValidCase{"update t set a = a + 1, t.b = Null", "(update t (set a (+ a 1)) (set b NULL))"},
        ValidCase{"delete from t", "(delete t)"},
        ValidCase{"delete * from t where a < 0", "(delete t (where (< a 0)))"},
        ValidCase{"delete t.* from t where a < 0", "(delete t (where (< a 0)))"}));

INSTANTIATE_TEST_SUITE_P(
    Ddl, ParseValid,
    ::testing::Values(
        ValidCase{"create table t (a text, b text(50) not null, c memo, d byte, e short, f long, g counter, "
                  "h currency, i single, j double, k datetime, l yesno, m binary(16), n longbinary, o guid, "
                  "p decimal(10,2))",
                  "(create-table t (column a [Text(255)]) (column b [Text(50)] not-null) (column c [Memo]) "
                  "(column d [Byte]) (column e [Integer]) (column f [Long Integer]) "
                  "(column g [Long Integer] (autoincrement 1 1)) (column h [Currency]) (column i [Single]) "
                  "(column j [Double]) (column k [Date/Time]) (column l [Yes/No]) (column m [Binary(16)]) "
                  "(column n [OLE Object]) (column o [Replication ID]) (column p [Decimal(10,2)]))"},
        // the synonyms of each type
        ValidCase{"create table t (a char(5), b varchar(5), c string(5), d alphanumeric(5), e longtext, f note, "
                  "g tinyint, h integer1, i smallint, j integer2, k int, l integer, m integer4, n autoincrement(100, 5), "
                  "o money, p real, q float4, r float, s float8, t number, u date, v time, w bit, x logical, "
                  "y boolean, z varbinary(8), aa oleobject, ab image, ac uniqueidentifier, ad numeric, ae dec(28, 28), "
                  "af character varying(9), ag national char(3), ah double precision, ai ntext)",
                  "(create-table t (column a [Text(5)]) (column b [Text(5)]) (column c [Text(5)]) (column d [Text(5)]) "
                  "(column e [Memo]) (column f [Memo]) (column g [Byte]) (column h [Byte]) (column i [Integer]) "
                  "(column j [Integer]) (column k [Long Integer]) (column l [Long Integer]) (column m [Long Integer]) "
                  "(column n [Long Integer] (autoincrement 100 5)) (column o [Currency]) (column p [Single]) "
                  "(column q [Single]) (column r [Double]) (column s [Double]) (column t [Double]) "
                  "(column u [Date/Time]) (column v [Date/Time]) (column w [Yes/No]) (column x [Yes/No]) "
                  "(column y [Yes/No]) (column z [Binary(8)]) (column aa [OLE Object]) (column ab [OLE Object]) "
                  "(column ac [Replication ID]) (column ad [Decimal(18,0)]) (column ae [Decimal(28,28)]) "
                  "(column af [Text(9)]) (column ag [Text(3)]) (column ah [Double]) (column ai [Memo]))"},
        // column and table constraints, named and unnamed, compression, defaults
        ValidCase{"create table [客户] (id counter constraint pk primary key, code text(10) unique not null, "
                  "name text(50) with compression default 'x', CONSTRAINT uq UNIQUE (name, code))",
                  "(create-table 客户 (column id [Long Integer] (autoincrement 1 1)) "
                  "(column code [Text(10)] not-null) (column name [Text(50)] compressed (default 'x')) "
                  "(primary-key pk (id)) (unique (code)) (unique uq (name code)))"},
        ValidCase{"create table t (a long, b long, constraint pk primary key (a, b), c text(5) constraint nn not null)",
                  "(create-table t (column a [Long Integer]) (column b [Long Integer]) (column c [Text(5)] not-null) "
                  "(primary-key pk (a b)) (not-null nn (c)))"},
        ValidCase{"create table t (a long, b text, constraint nn not null (b))",
                  "(create-table t (column a [Long Integer]) (column b [Text(255)] not-null) (not-null nn (b)))"},
        ValidCase{"create unique index ix on t (a, b desc, c asc) with disallow null",
                  "(create-index unique ix t (a (desc b) c) disallow-null)"},
        ValidCase{"create index [my index] on [t] ([a b]) with primary", "(create-index [my index] t ([a b]) primary)"},
        ValidCase{"create index i on t (a) with ignore null", "(create-index i t (a) ignore-null)"},
        ValidCase{"drop index i on t", "(drop-index i t)"},
        ValidCase{"drop table [old data];", "(drop-table [old data])"},
        ValidCase{"alter table t add column c text(20) not null", "(alter-table t (add (column c [Text(20)] not-null)))"},
        ValidCase{"alter table t add c long constraint u unique",
                  "(alter-table t (add (column c [Long Integer])) (add (unique u (c))))"},
        ValidCase{"alter table t add constraint pk primary key (a, b)", "(alter-table t (add (primary-key pk (a b))))"}));

struct InvalidCase {
  const char* sql;
  Status::Code code;
  const char* message_part;  // a piece of the message (the position and what was expected)
  friend void PrintTo(const InvalidCase& c, std::ostream* os) { *os << c.sql; }
};

class ParseInvalid : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(ParseInvalid, Error) {
  Result<Statement> st = ParseStatement(GetParam().sql);
  ASSERT_FALSE(st.ok()) << GetParam().sql << " parsed as " << DumpStatement(*st);
  EXPECT_EQ(st.status().code(), GetParam().code) << st.status().ToString();
  EXPECT_NE(st.status().message().find(GetParam().message_part), std::string::npos)
      << GetParam().sql << "\n  message: " << st.status().message() << "\n  expected to contain: "
      << GetParam().message_part;
}

constexpr auto kSyntax = Status::Code::kInvalidArgument;
constexpr auto kUnsupported = Status::Code::kNotSupported;

INSTANTIATE_TEST_SUITE_P(
    Syntax, ParseInvalid,
    ::testing::Values(
        InvalidCase{"", kSyntax, "character 1: expected a statement"},
        InvalidCase{"selec * from t", kSyntax, "character 1: expected a statement (SELECT, INSERT"},
        InvalidCase{"select * form t", kSyntax, "character 10: expected FROM, found 'form'"},
        InvalidCase{"select * from", kSyntax, "character 14: expected a table name, found end of statement"},
        InvalidCase{"select * from t where", kSyntax, "character 22: expected an expression"},
        InvalidCase{"select * from t where a = 'abc", kSyntax, "character 27: text starting here has no closing '"},
        InvalidCase{"select * from [t where a = 1", kSyntax, "character 15: name starting here has no closing ']'"},
        InvalidCase{"select * from [] where a = 1", kSyntax, "character 15: empty name"},
        InvalidCase{"select * from t where d = #2024-01-05", kSyntax, "character 27: date starting here has no closing '#'"},
        InvalidCase{"select * from t where d = #2024-02-30#", kSyntax, "character 27: invalid date #2024-02-30#"},
        InvalidCase{"select * from t where d = #13/01/2024#", kSyntax, "invalid date"},
        InvalidCase{"select * from t where a = 1 b = 2", kSyntax, "character 29: characters found after end of SQL statement"},
        InvalidCase{"select * from t; select * from u", kSyntax, "character 18: characters found after end"},
        InvalidCase{"select a b from t", kSyntax, "character 10: expected ',', FROM or an operator, found 'b'"},
        InvalidCase{"select * from t where (a = 1", kSyntax, "character 29: expected ')'"},
        InvalidCase{"select * from t where a is 1", kSyntax, "expected NULL or NOT NULL after IS"},
        InvalidCase{"select * from t where a in 1", kSyntax, "expected '(' after IN"},
        InvalidCase{"select * from t where a between 1 or 2", kSyntax, "expected AND"},
        InvalidCase{"select * from t where a = 12abc", kSyntax, "character 27: expected an operator after the number"},
        InvalidCase{"select * from t where a = b ! c", kSyntax, "character 29: unexpected '!'"},
        InvalidCase{"select * from select", kSyntax, "the reserved word 'select'"},
        InvalidCase{"select from from t", kSyntax, "character 8: expected an expression"},
        InvalidCase{"select top 0 * from t", kSyntax, "TOP needs a whole number greater than 0"},
        InvalidCase{"select * from t where len(a, b) = 1", kSyntax, "function Len takes 1 argument, not 2"},
        InvalidCase{"select sum(*) from t", kSyntax, "'*' is allowed only in Count(*)"},
        InvalidCase{"insert into t (a, b) values (1)", kSyntax, "the number of query values and destination fields"},
        InvalidCase{"insert into t (a, A) values (1, 2)", kSyntax, "column 'A' is named twice"},
        InvalidCase{"insert into t values (1), (2)", kSyntax, "characters found after end of SQL statement"},
        InvalidCase{"update t set a = 1, A = 2", kSyntax, "column 'A' is set twice"},
        InvalidCase{"update t set u.a = 1", kSyntax, "'u' is not the table of this statement"},
        InvalidCase{"delete u.* from t", kSyntax, "'u.*' does not name the table"},
        InvalidCase{"create table t (a text(0))", kSyntax, "the size of TEXT must be from 1 to 255"},
        InvalidCase{"create table t (a text(256))", kSyntax, "the size of TEXT must be from 1 to 255"},
        InvalidCase{"create table t (a binary(300))", kSyntax, "the size of BINARY must be from 1 to 255"},
        InvalidCase{"create table t (a decimal(29))", kSyntax, "precision of DECIMAL must be from 1 to 28"},
        InvalidCase{"create table t (a decimal(5, 6))", kSyntax, "scale of DECIMAL must be from 0 to its precision"},
        InvalidCase{"create table t (a long(4))", kSyntax, "type LONG takes no size"},
        InvalidCase{"create table t (a counter(1, 0))", kSyntax, "increment of COUNTER must not be 0"},
        InvalidCase{"create table t (a varchar2(5))", kSyntax, "character 19: unknown column type 'varchar2'"},
        InvalidCase{"create table t (a long, A text)", kSyntax, "character 25: column 'A' is defined twice"},
        InvalidCase{"create table t (a long primary key, b long primary key)", kSyntax, "only one primary key"},
        InvalidCase{"create table t (a long, constraint pk primary key (b))", kSyntax, "constraint column 'b' is not a column"},
        InvalidCase{"create table t ()", kSyntax, "expected a column name"},
        InvalidCase{"create table t (constraint pk primary key (a))", kSyntax, "has no columns"},
        InvalidCase{"create table t (a long with compression)", kSyntax, "WITH COMPRESSION applies to text columns only"},
        InvalidCase{"create index i on t (a, a)", kSyntax, "column 'a' appears twice in the index"},
        InvalidCase{"create index i on t (a) with nothing", kSyntax, "expected PRIMARY, DISALLOW NULL or IGNORE NULL"},
        InvalidCase{"create index i on t (a,b,c,d,e,f,g,h,i,j,k)", kSyntax, "at most 10 columns"},
        InvalidCase{"drop index i", kSyntax, "expected ON"},
        InvalidCase{"drop t", kSyntax, "expected TABLE or INDEX after DROP"},
        InvalidCase{"alter table t add", kSyntax, "expected a column name"},
        // aggregates only where Jet allows them
        InvalidCase{"select * from t where count(*) > 1", kSyntax, "character 23: cannot have aggregate function count in the WHERE clause"},
        InvalidCase{"select a, count(*) from t", kSyntax, "character 8: the query does not include 'a' as part of an aggregate function"},
        InvalidCase{"select *, count(*) from t", kSyntax, "'*' cannot be selected together with aggregate functions"},
        InvalidCase{"select count(*) from t order by a", kSyntax, "does not include 'a'"},
        InvalidCase{"select a from t order by max(a)", kSyntax, "cannot have aggregate function max in ORDER BY"},
        InvalidCase{"select sum(max(a)) from t", kSyntax, "cannot have aggregate function max inside sum"},
        InvalidCase{"update t set a = sum(b)", kSyntax, "cannot have aggregate function sum in SET"},
        InvalidCase{"delete from t where min(a) = 1", kSyntax, "in the WHERE clause"},
        InvalidCase{"insert into t (a) values (b + 1)", kSyntax, "character 27: VALUES cannot refer to column 'b'"},
        InvalidCase{"create table t (a long default b)", kSyntax, "DEFAULT cannot refer to column 'b'"}));

INSTANTIATE_TEST_SUITE_P(
    Unsupported, ParseInvalid,
    ::testing::Values(
        InvalidCase{"select * from t, u", kUnsupported, "character 16: selecting from several tables"},
        InvalidCase{"select * from t inner join u on t.a = u.a", kUnsupported, "joins"},
        InvalidCase{"select * from t where a in (select a from u)", kUnsupported, "character 29: subqueries"},
        InvalidCase{"select * from t where a = (select max(a) from u)", kUnsupported, "subqueries"},
        InvalidCase{"select * from t where exists (select * from u)", kUnsupported, "subqueries (EXISTS)"},
        InvalidCase{"select a, count(*) from t group by a", kUnsupported, "GROUP BY"},
        InvalidCase{"select * from t union select * from u", kUnsupported, "UNION"},
        InvalidCase{"select a into u from t", kUnsupported, "SELECT ... INTO"},
        InvalidCase{"select * from t where dlookup('a', 'b') = 1", kUnsupported, "function 'dlookup'"},
        InvalidCase{"insert into t select * from u", kUnsupported, "INSERT INTO ... SELECT"},
        InvalidCase{"create table t (a long references u (b))", kUnsupported, "foreign keys"},
        InvalidCase{"create table t (a long, constraint fk foreign key (a) references u)", kUnsupported, "foreign keys"},
        InvalidCase{"create view v as select * from t", kUnsupported, "CREATE VIEW"},
        InvalidCase{"alter table t drop column a", kUnsupported, "ALTER TABLE ... DROP"},
        InvalidCase{"alter table t alter column a long", kUnsupported, "ALTER COLUMN"},
        InvalidCase{"transform count(*) select a from t group by a pivot b", kUnsupported, "TRANSFORM"}));

// Positions count characters, not bytes: a Chinese character is one.
TEST(Parser, PositionsCountCharacters) {
  Result<Statement> st = ParseStatement("select 名称 from 表 where = 1");
  ASSERT_FALSE(st.ok());
  EXPECT_NE(st.status().message().find("character 24: expected an expression, found '='"), std::string::npos)
      << st.status().message();
}

// Deeply nested or very long expressions are refused before they exhaust the stack.
TEST(Parser, RefusesExpressionsTooDeep) {
  std::string nested = "select * from t where " + std::string(5000, '(') + "1" + std::string(5000, ')');
  Result<Statement> st = ParseStatement(nested);
  ASSERT_FALSE(st.ok());
  EXPECT_NE(st.status().message().find("too"), std::string::npos) << st.status().message();

  std::string chain = "select * from t where a = 0";
  for (int i = 0; i < 100000; ++i) chain += " or a = 1";
  st = ParseStatement(chain);
  ASSERT_FALSE(st.ok());
  EXPECT_NE(st.status().message().find("expression too complex"), std::string::npos) << st.status().message();

  std::string nots = "select * from t where " + std::string(30000, 'x');
  for (size_t i = 0; i < nots.size(); ++i) {
    if (nots[i] == 'x') nots.replace(i, 1, "not ");
  }
  EXPECT_FALSE(ParseStatement(nots + "a").ok());

  // A long but flat IN list is fine.
  std::string in = "select * from t where a in (0";
  for (int i = 1; i < 5000; ++i) in.append(",").append(std::to_string(i));
  EXPECT_TRUE(ParseStatement(in + ")").ok());
}

TEST(Parser, ExpressionAlone) {
  Result<ExprPtr> e = ParseExpression("a + 1 > 2");
  ASSERT_TRUE(e.ok()) << e.status().ToString();
  EXPECT_EQ(DumpExpr(**e), "(> (+ a 1) 2)");
  EXPECT_EQ((*e)->position, 7u);  // at the operator
  EXPECT_FALSE(ParseExpression("a +").ok());
  EXPECT_FALSE(ParseExpression("a b").ok());
}

}  // namespace
}  // namespace tabulon::jet::sql
