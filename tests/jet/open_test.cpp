// Opening databases: what the engine says about files that are not Jet 4 databases, the
// database password, encoded databases, and the tables it finds.
#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "jet/database.h"
#include "jet/format.h"
#include "jet_test_util.h"
#include "support/test_env.h"

namespace tabulon::jet {
namespace {

using testing::FixtureDir;
using testing::OpenFixture;
using testing::Utf8Path;
using ::tabulon::testing::ReadFileBytes;
using ::tabulon::testing::TempDir;
using ::tabulon::testing::WriteFileBytes;

TEST(OpenDatabase, ListsUserTablesAsAccessShowsThem) {
  TABULON_REQUIRE_SHARED(shared);
  struct Case {
    const char* file;
    std::vector<std::string> tables;
  } cases[] = {
      {"adox_jet4.mdb", {}},
      {"emptyAccessV2000.mdb", {}},
      {"db-enc.mdb", {"Table1"}},
      {"delTestV2000.mdb", {"Table"}},
      {"indexTestV2000.mdb", {"Table1", "Table2", "Table3"}},
      {"passwordV2000.mdb", {"Table1"}},
      {"testIndexPropertiesV2000.mdb",
       {"TableIgnoreNulls1", "TableIgnoreNulls1_temp", "TableIgnoreNulls2", "TableIgnoreNulls2_temp",
        "TableUnique1_temp", "TableUnique2_temp"}},
      {"testV2000.mdb", {"Table1", "Table2", "Table3", "Table4"}},
  };
  for (const Case& c : cases) {
    auto db = OpenFixture(shared, c.file);
    ASSERT_TRUE(db.ok()) << c.file << ": " << db.status().ToString();
    EXPECT_EQ((*db)->TableNames(false), c.tables) << c.file;
  }
  auto db = OpenFixture(shared, "testV2000.mdb");
  ASSERT_TRUE(db.ok());
  std::vector<std::string> all = (*db)->TableNames(true);
  EXPECT_EQ(all.size(), 9u);
  EXPECT_EQ(all.front(), "MSysObjects");
}

TEST(OpenDatabase, FindsTablesCaseInsensitively) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "testV2000.mdb");
  ASSERT_TRUE(db.ok());
  for (const char* name : {"Table1", "TABLE1", "table1", "msysobjects"}) {
    auto t = (*db)->GetTable(name);
    EXPECT_TRUE(t.ok()) << name;
  }
  auto missing = (*db)->GetTable("Table9");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), Status::Code::kNotFound);
  EXPECT_EQ(missing.status().message(), "no such table: Table9");
}

TEST(OpenDatabase, Password) {
  TABULON_REQUIRE_SHARED(shared);
  const std::string secured = Utf8Path(FixtureDir(shared) / "passwordV2000.mdb");
  const std::string plain = Utf8Path(FixtureDir(shared) / "testV2000.mdb");
  struct Case {
    const std::string* path;
    const char* password;
    bool opens;
  } cases[] = {
      {&secured, "password", true},
      {&secured, "", false},           // missing
      {&secured, "Password", false},   // passwords are case-sensitive
      {&secured, "password ", false},
      {&secured, "passwor", false},
      {&plain, "", true},              // a database without password opens with any
      {&plain, "kqpw19730412", true},
  };
  for (const Case& c : cases) {
    OpenOptions options;
    options.password = c.password;
    auto db = Database::Open(*c.path, options);
    EXPECT_EQ(db.ok(), c.opens) << *c.path << " with '" << c.password << "'";
    if (!c.opens && !db.ok()) {
      EXPECT_EQ(db.status().code(), Status::Code::kPermissionDenied);
      EXPECT_EQ(db.status().message(), "not a valid password");
    }
  }
  auto db = OpenFixture(shared, "passwordV2000.mdb");
  ASSERT_TRUE(db.ok());
  EXPECT_EQ((*db)->header().password, u"password");
}

// An encoded database (every page RC4-encoded with the database key) reads like any other.
TEST(OpenDatabase, EncodedDatabase) {
  TABULON_REQUIRE_SHARED(shared);
  auto db = OpenFixture(shared, "db-enc.mdb");
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  EXPECT_TRUE((*db)->header().encoded());
  auto table = (*db)->GetTable("Table1");
  ASSERT_TRUE(table.ok());
  auto rows = testing::ReadAllRows(**table);
  ASSERT_TRUE(rows.ok()) << rows.status().ToString();
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ(testing::Show((*rows)[0]), "1, 'hello', 0");
  EXPECT_EQ(testing::Show((*rows)[1]), "2, 'world', 42");
}

// Files that are not Jet 4 databases are refused with a message that says what they are.
TEST(OpenDatabase, IdentifiesForeignFiles) {
  TABULON_REQUIRE_SHARED(shared);
  const std::string jet4 = ReadFileBytes(FixtureDir(shared) / "delColTestV2000.mdb");
  ASSERT_FALSE(jet4.empty());
  auto with = [&](size_t offset, std::string bytes) {
    std::string image = jet4;
    image.replace(offset, bytes.size(), bytes);
    return image;
  };
  struct Case {
    const char* what;
    std::string image;
    Status::Code code;
    const char* message;
  } cases[] = {
      {"empty file", "", Status::Code::kNotSupported, "is not a Jet database: the file is empty"},
      {"text", "hello, world\n", Status::Code::kNotSupported, "it starts with bytes 68 65 6C 6C 6F 2C 20 77"},
      {"zip", std::string("PK\x03\x04", 4) + std::string(5000, 'x'), Status::Code::kNotSupported,
       "it is a zip archive"},
      {"SQLite", std::string("SQLite format 3\0", 16) + std::string(5000, '\0'), Status::Code::kNotSupported,
       "it is an SQLite database"},
      {"Jet 3", with(format::kVersionOffset, std::string(1, '\0')), Status::Code::kNotSupported,
       "is a Jet 3 database (Access 97)"},
      {"ACE", with(format::kEngineNameOffset, "Standard ACE DB") , Status::Code::kNotSupported,
       "is an ACE database (Access 2007 or later"},
      {"ACE version", with(format::kVersionOffset, std::string(1, '\x03')), Status::Code::kNotSupported,
       "version code 3"},
      {"first page cut", jet4.substr(0, 3000), Status::Code::kCorruption, "ends inside its first page"},
      {"only the signature", jet4.substr(0, 20), Status::Code::kNotSupported, "is not a Jet database"},
      {"signature and version", jet4.substr(0, 21), Status::Code::kCorruption, "ends inside its first page"},
  };
  for (const Case& c : cases) {
    auto db = Database::OpenImage(c.image, {}, "test.mdb");
    ASSERT_FALSE(db.ok()) << c.what;
    EXPECT_EQ(db.status().code(), c.code) << c.what << ": " << db.status().ToString();
    EXPECT_NE(db.status().message().find(c.message), std::string::npos) << c.what << ": " << db.status().message();
  }
}

TEST(OpenDatabase, MissingFileAndDirectory) {
  TempDir dir;
  auto missing = Database::Open(Utf8Path(dir.path() / "nothing.mdb"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), Status::Code::kNotFound);
  EXPECT_NE(missing.status().message().find("nothing.mdb"), std::string::npos);

  auto directory = Database::Open(Utf8Path(dir.path()));
  ASSERT_FALSE(directory.ok());
  EXPECT_TRUE(directory.status().code() == Status::Code::kIOError ||
              directory.status().code() == Status::Code::kPermissionDenied)
      << directory.status().ToString();
}

// A file name outside the ANSI code page opens (the path is UTF-8 in the engine's API).
TEST(OpenDatabase, UnicodeFileName) {
  TABULON_REQUIRE_SHARED(shared);
  TempDir dir;
  const auto path = dir.path() / std::filesystem::path(u8"配置 数据库.mdb");
  ASSERT_TRUE(WriteFileBytes(path, ReadFileBytes(FixtureDir(shared) / "testV2000.mdb")));
  auto db = Database::Open(Utf8Path(path));
  ASSERT_TRUE(db.ok()) << db.status().ToString();
  EXPECT_EQ((*db)->TableNames().size(), 4u);
}

#ifdef _WIN32
// A file that another process holds exclusively is reported as locked.
TEST(OpenDatabase, LockedFileIsBusy) {
  TABULON_REQUIRE_SHARED(shared);
  TempDir dir;
  const auto path = dir.path() / "locked.mdb";
  ASSERT_TRUE(WriteFileBytes(path, ReadFileBytes(FixtureDir(shared) / "testV2000.mdb")));
  HANDLE h = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  auto db = Database::Open(Utf8Path(path));
  CloseHandle(h);
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.status().code(), Status::Code::kBusy) << db.status().ToString();
  EXPECT_NE(db.status().message().find("locked"), std::string::npos);
  EXPECT_TRUE(Database::Open(Utf8Path(path)).ok());
}
#endif

}  // namespace
}  // namespace tabulon::jet
