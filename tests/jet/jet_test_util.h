// Helpers shared by the engine's tests: the Jet 4 fixtures of the shared folder, and
// reading whole tables.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "jet/database.h"

namespace tabulon::jet::testing {

// A path as the engine takes it (UTF-8).
std::string Utf8Path(const std::filesystem::path& path);

// shared/fixtures/jet4 and its databases, sorted by name.
std::filesystem::path FixtureDir(const std::filesystem::path& shared);
std::vector<std::filesystem::path> AllFixtures(const std::filesystem::path& shared);

// The database password of a fixture ("" for those without one).
std::string FixturePassword(const std::filesystem::path& fixture);

// Opens a fixture by file name, with its password.
Result<std::unique_ptr<Database>> OpenFixture(const std::filesystem::path& shared, const std::string& name);

// Every row of a table, all columns, in the given order.
Result<std::vector<std::vector<Value>>> ReadAllRows(const Table& table, ScanOrder order = ScanOrder::kLogical);

// A readable form of a value for assertions: Null, 'text', 12, #days#, 0xHEX, ...
std::string Show(const Value& value);
std::string Show(const std::vector<Value>& row);

}  // namespace tabulon::jet::testing
