// SELECT on the fixtures: the statements as written by hand and by the loader, Jet's
// semantics through the evaluator, index seeks against scans, and errors.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet_test_util.h"
#include "support/test_env.h"

namespace tabulon::jet {
namespace {

using testing::OpenFixture;
using testing::Show;

// "(row)(row)..." of a result, for comparisons.
std::string Rows(const ResultSet& rs) {
  std::string out;
  for (const auto& r : rs.rows()) {
    out += '(';
    out += Show(r);
    out += ')';
  }
  return out;
}

class Select : public ::testing::Test {
 protected:
  void Open(const char* fixture) {
    auto shared = ::tabulon::testing::SharedDir();
    if (!shared) GTEST_SKIP() << "shared fixtures folder absent (TABULON_SHARED_DIR); skipped";
    auto db = OpenFixture(*shared, fixture);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    db_ = std::move(*db);
  }
  std::string Query(const std::string& sql) {
    auto rs = db_->Query(sql);
    if (!rs.ok()) return "error: " + rs.status().ToString();
    return Rows(*rs);
  }
  std::string Plan(const std::string& sql) {
    auto plan = db_->Explain(sql);
    return plan.ok() ? *plan : "error: " + plan.status().ToString();
  }
  std::unique_ptr<Database> db_;
};

TEST_F(Select, ColumnsNamesAndCount) {
  Open("testV2000.mdb");
  if (!db_) return;
  auto rs = db_->Query("select * from Table1");
  ASSERT_TRUE(rs.ok()) << rs.status().ToString();
  EXPECT_EQ(rs->record_count(), 2u);
  ASSERT_EQ(rs->columns().size(), 9u);
  EXPECT_EQ(rs->columns()[0].name, "A");
  EXPECT_EQ(rs->columns()[6].type, ColumnType::kDateTime);
  EXPECT_EQ(rs->Get(0, "a").text(), "abcdefg");
  EXPECT_EQ(rs->Get(1, "E").long_value(), 0);
  EXPECT_TRUE(rs->Get(5, "A").is_null());

  rs = db_->Query("SELECT [B], e * 2 AS [double e], e + 1 FROM [table1] WHERE a = 'a'");
  ASSERT_TRUE(rs.ok()) << rs.status().ToString();
  ASSERT_EQ(rs->columns().size(), 3u);
  EXPECT_EQ(rs->columns()[0].name, "B");
  EXPECT_EQ(rs->columns()[1].name, "double e");
  EXPECT_EQ(rs->columns()[2].name, "Expr1000");
  EXPECT_EQ(Rows(*rs), "('b', 0, 1)");

  rs = db_->Query("select * from Table3");  // an empty table
  ASSERT_TRUE(rs.ok());
  EXPECT_EQ(rs->record_count(), 0u);
  EXPECT_EQ(rs->columns().size(), 2u);
}

// The conditions of hand-written queries, each with the rows it keeps.
TEST_F(Select, WhereClauses) {
  Open("testV2000.mdb");
  if (!db_) return;
  struct Case {
    const char* where;
    const char* rows;
  } cases[] = {
      {"A = 'abcdefg'", "('abcdefg')"},
      {"A = 'ABCDEFG'", "('abcdefg')"},  // text compares case-insensitively
      {"A = \"a\"", "('a')"},
      {"A <> 'a'", "('abcdefg')"},
      {"A < 'abc'", "('a')"},
      {"A >= 'B'", ""},
      {"C = 2", "('abcdefg')"},
      {"D > 100 and E < 400000000", "('abcdefg')"},
      {"D > 100 or E = 0", "('abcdefg')('a')"},
      {"not (D > 100)", "('a')"},
      {"(D > 100 or E = 0) and not A = 'a'", "('abcdefg')"},
      {"F = 444.555", "('abcdefg')"},
      {"H = 3.5", "('abcdefg')"},
      {"G = #1974-09-21#", "('abcdefg')"},
      {"G > #1/1/1980#", "('a')"},
      {"I = True", "('abcdefg')"},
      {"I = False", "('a')"},
      {"I", "('abcdefg')"},
      {"A like 'abc*'", "('abcdefg')"},
      {"A like 'A'", "('a')"},
      {"A like '?'", "('a')"},
      {"B like 'hij[a-z]l*'", "('abcdefg')"},
      {"B like '[!h]*'", "('a')"},
      {"A not like '*g'", "('a')"},
      {"C like '#'", "('abcdefg')('a')"},
      {"A in ('x', 'A', 'y')", "('a')"},
      {"E in (1, 2, 333333333)", "('abcdefg')"},
      {"A not in ('a')", "('abcdefg')"},
      {"A is null", ""},
      {"A is not null", "('abcdefg')('a')"},
      {"A = Null", ""},  // a comparison with Null is Null, never True
      {"E between 1 and 400000000", "('abcdefg')"},
      {"B = 'it''s'", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Query(std::string("select A from Table1 where ") + c.where), c.rows) << c.where;
  }
}

// The loader's statements: a setting by class and name, a module by code.
TEST_F(Select, LoaderStatementsUseTheTextIndex) {
  Open("testIndexPropertiesV2000.mdb");
  if (!db_) return;
  const std::string lookup = "select data1 from TableIgnoreNulls2 where row='row6'";
  EXPECT_EQ(Query(lookup), "('lots of stuff')");
  EXPECT_EQ(Plan(lookup), "index PrimaryKey (1 equal)");
  EXPECT_EQ(Query("select * from TableIgnoreNulls2 where row='ROW6' and data2=9087"), "('row6', 'lots of stuff', 9087)");
  EXPECT_EQ(Query("select * from TableIgnoreNulls2 where row='row99'"), "");
  // A multi-column index: equality on the text column, a range on the number.
  const std::string range = "select row from TableIgnoreNulls2 where data1 = 'STUFF' and data2 >= 13";
  EXPECT_EQ(Plan(range), "index DataIndex (1 equal, range)");
  EXPECT_EQ(Query(range), "('row0')");
  EXPECT_EQ(Query("select row from TableIgnoreNulls2 where data1 = 'stuff' and data2 > 13"), "");
}

// The same condition answered through an index and by a scan (the column hidden in an
// expression) gives the same rows.
TEST_F(Select, IndexSeeksAgreeWithScans) {
  Open("compIndexTestV2000.mdb");
  if (!db_) return;
  struct Case {
    const char* indexed;
    const char* scanned;
    const char* plan;
  } cases[] = {
      {"CD_AGENTE = 27", "CD_AGENTE + 0 = 27", "index CD_AGENTE (1 equal)"},
      {"27 = CD_AGENTE", "0 + CD_AGENTE = 27", "index CD_AGENTE (1 equal)"},
      {"CD_AGENTE = 28", "CD_AGENTE + 0 = 28", "index CD_AGENTE (1 equal)"},
      {"CD_AGENTE > 4000", "CD_AGENTE + 0 > 4000", "index CD_AGENTE (0 equal, range)"},
      {"CD_AGENTE >= 4006", "CD_AGENTE + 0 >= 4006", "index CD_AGENTE (0 equal, range)"},
      {"CD_AGENTE < 100", "CD_AGENTE + 0 < 100", "index CD_AGENTE (0 equal, range)"},
      {"CD_AGENTE <= 19", "CD_AGENTE + 0 <= 19", "index CD_AGENTE (0 equal, range)"},
      {"CD_AGENTE between 1000 and 1100", "CD_AGENTE + 0 between 1000 and 1100", "index CD_AGENTE (0 equal, range)"},
      {"CD_AGENTE > 1000 and CD_AGENTE < 1100 and RS_AGENTE = 'abc'",
       "CD_AGENTE + 0 > 1000 and CD_AGENTE + 0 < 1100 and RS_AGENTE = 'abc'", "index CD_AGENTE (0 equal, range)"},
      {"CD_AGENTE = -8", "CD_AGENTE + 0 = -8", "index CD_AGENTE (1 equal)"},
      {"CD_AGENTE > 1e10", "CD_AGENTE + 0 > 1e10", "scan"},  // beyond Long: a scan decides
      {"CD_AGENTE = 27.5", "CD_AGENTE + 0 = 27.5", "scan"},  // no exact Long: a scan decides
  };
  for (const Case& c : cases) {
    const std::string indexed = std::string("select * from Table1 where ") + c.indexed;
    const std::string scanned = std::string("select * from Table1 where ") + c.scanned;
    EXPECT_EQ(Plan(indexed), c.plan) << c.indexed;
    EXPECT_EQ(Plan(scanned), "scan") << c.scanned;
    auto a = db_->Query(indexed);
    auto b = db_->Query(scanned);
    ASSERT_TRUE(a.ok() && b.ok()) << c.indexed;
    std::vector<std::string> x, y;
    for (const auto& r : a->rows()) x.push_back(Show(r));
    for (const auto& r : b->rows()) y.push_back(Show(r));
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    EXPECT_EQ(x, y) << c.indexed;
  }
  EXPECT_EQ(Query("select count(*) from Table1 where CD_AGENTE between 1000 and 1100"), "(7)");
}

TEST_F(Select, OrderByDistinctTopAndAggregates) {
  Open("testIndexPropertiesV2000.mdb");
  if (!db_) return;
  EXPECT_EQ(Query("select top 3 row, data2 from TableIgnoreNulls2 where data2 is not null order by data2 desc"),
            "('row6', 9087)('row1', 49)('row0', 13)");
  // TOP keeps the rows that tie with the last one.
  EXPECT_EQ(Query("select top 1 row from TableIgnoreNulls2 where data2 = 0 order by data2"), "('row4')('row8')");
  EXPECT_EQ(Query("select distinct data2 from TableIgnoreNulls2 where data2 <= 0 order by data2"),
            "(-5453)(-3462)(-45)(-12)(0)");
  EXPECT_EQ(Query("select row from TableIgnoreNulls2 where data1 is null order by row"),
            "('row1')('row10')('row3')('row5')('row8')");
  EXPECT_EQ(Query("select count(*), count(data1), min(data2), max(data2), sum(data2) from TableIgnoreNulls2"),
            "(11, 6, -5453, 9087, 177)");
  EXPECT_EQ(Query("select count(*) from TableIgnoreNulls2 where row = 'nothing'"), "(0)");
}

TEST_F(Select, Errors) {
  Open("testV2000.mdb");
  if (!db_) return;
  struct Case {
    const char* sql;
    Status::Code code;
    const char* message;
  } cases[] = {
      {"select * form Table1", Status::Code::kInvalidArgument, "at character 10"},
      {"select * from Table1 where", Status::Code::kInvalidArgument, "syntax error"},
      {"select Nmae from Table1", Status::Code::kInvalidArgument, "unknown column 'Nmae'"},
      {"select A from Table1 where Nmae = 1", Status::Code::kInvalidArgument, "unknown column 'Nmae'"},
      {"select x.A from Table1", Status::Code::kInvalidArgument, "unknown column 'x.A'"},
      {"select * from Nothing", Status::Code::kNotFound, "no such table: Nothing"},
      {"select A from Table1 where A = 1", Status::Code::kInvalidArgument, "mismatch"},
      {"update Table1 set A = 'x'", Status::Code::kNotSupported, "only SELECT"},
  };
  for (const Case& c : cases) {
    auto rs = db_->Query(c.sql);
    ASSERT_FALSE(rs.ok()) << c.sql;
    EXPECT_EQ(rs.status().code(), c.code) << c.sql << ": " << rs.status().ToString();
    EXPECT_NE(rs.status().message().find(c.message), std::string::npos) << c.sql << ": " << rs.status().message();
  }
}

}  // namespace
}  // namespace tabulon::jet
