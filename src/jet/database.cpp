#include "jet/database.h"

#include "jet/annotate.h"
#include "jet/select.h"
#include "jet/sql/parser.h"

namespace tabulon::jet {

Result<std::unique_ptr<Database>> Database::Open(const std::string& path, const OpenOptions& options) {
  Result<std::unique_ptr<File>> file = OpenFileForRead(path);
  if (!file.ok()) return file.status();
  return OpenFile(std::move(*file), options);
}

Result<std::unique_ptr<Database>> Database::OpenImage(std::string bytes, const OpenOptions& options,
                                                      std::string name) {
  return OpenFile(NewMemoryFile(std::move(name), std::move(bytes)), options);
}

Result<std::unique_ptr<Database>> Database::OpenFile(std::unique_ptr<File> file, const OpenOptions& options) {
  PagerOptions pager_options;
  pager_options.cache_pages = options.cache_pages;
  Result<std::unique_ptr<Pager>> pager = Pager::Open(std::move(file), pager_options);
  if (!pager.ok()) return pager.status();
  TABULON_RETURN_IF_ERROR(VerifyPassword((*pager)->header(), options.password));
  Result<Catalog> catalog = Catalog::Read(**pager);
  if (!catalog.ok()) return catalog.status();
  return std::unique_ptr<Database>(new Database(std::move(*pager), std::move(*catalog)));
}

std::vector<std::string> Database::TableNames(bool include_system) const {
  std::vector<std::string> names;
  for (const CatalogEntry* e : catalog_.Tables(include_system)) names.push_back(e->name);
  return names;
}

Result<const Table*> Database::GetTable(std::string_view name) {
  const CatalogEntry* entry = catalog_.FindTable(name);
  if (!entry) return Status::NotFound("no such table: " + std::string(name));
  auto it = tables_.find(entry->tdef_page());
  if (it == tables_.end()) {
    Result<std::unique_ptr<Table>> table = Table::Open(*pager_, entry->name, entry->tdef_page());
    if (!table.ok()) return Annotate(table.status(), "table \"" + entry->name + "\"");
    it = tables_.emplace(entry->tdef_page(), std::move(*table)).first;
  }
  return it->second.get();
}

namespace {

Result<sql::Statement> ParseSelect(std::string_view text) {
  Result<sql::Statement> statement = sql::ParseStatement(text);
  if (!statement.ok()) return statement.status();
  if (statement->kind() != sql::StatementKind::kSelect) {
    return Status::NotSupported("only SELECT statements can run: this database is opened for reading");
  }
  return statement;
}

}  // namespace

Result<ResultSet> Database::Query(std::string_view text) {
  Result<sql::Statement> statement = ParseSelect(text);
  if (!statement.ok()) return statement.status();
  sql::SelectStatement& select = statement->as<sql::SelectStatement>();
  Result<const Table*> table = GetTable(select.from.name);
  if (!table.ok()) return table.status();
  return RunSelect(**table, select);
}

Result<std::string> Database::Explain(std::string_view text) {
  Result<sql::Statement> statement = ParseSelect(text);
  if (!statement.ok()) return statement.status();
  sql::SelectStatement& select = statement->as<sql::SelectStatement>();
  Result<const Table*> table = GetTable(select.from.name);
  if (!table.ok()) return table.status();
  return ExplainSelect(**table, select);
}

}  // namespace tabulon::jet
