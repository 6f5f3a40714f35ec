#include "platform/jet/JetDatabase.h"

#include <ctime>

#include "platform/jet/DataPage.h"
#include "platform/jet/HeaderPage.h"
#include "platform/jet/JetText.h"
#include "platform/jet/SystemCatalog.h"
#include "platform/jet/UsageMap.h"
#include "platform/jet/ValueCodec.h"
#include "platform/text/AsciiCase.h"

namespace mvq::jet {

namespace {
constexpr uint32_t kGlobalMapPage = 1;

db::DateTime LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {{int16_t(tm.tm_year + 1900), uint16_t(tm.tm_mon + 1), uint16_t(tm.tm_mday)},
          {uint16_t(tm.tm_hour), uint16_t(tm.tm_min), uint16_t(tm.tm_sec)},
          0};
}
}  // namespace

JetDatabase::JetDatabase(const std::string& path, bool create) : file_(path, create) {}

std::unique_ptr<JetDatabase> JetDatabase::Open(const std::string& path) {
  std::unique_ptr<JetDatabase> db(new JetDatabase(path, false));
  Page header = db->file_.Read(0);
  if (db->file_.PageCount() < 3 || std::memcmp(&header[4], "Standard Jet DB", 15) != 0 ||
      header[0x14] != 1)
    throw JetError(path + " is no Access 2000-2003 file");
  db->now_ = LocalNow();
  // Its bitmap pages are rewritten where they are; the pages it lists free stay unused.
  db->globalMap_ = UsageMap::Read(DataPage::FromBytes(db->file_.Read(kGlobalMapPage)).Row(0),
                                  [&](uint32_t p) { return db->file_.Read(p); });
  std::set<uint32_t> listed;
  for (uint32_t p : db->globalMap_.pages)
    if (p > kGlobalMapPage && p < db->file_.PageCount()) listed.insert(p);
  db->file_.KeepListedFree(std::move(listed));
  db->tables_.push_back(std::make_unique<TableWriter>(db->file_, 2, "MSysObjects"));
  TableWriter& catalog = *db->tables_.front();
  for (const auto& [id, name] : catalog.CatalogTables())
    if (id != 2) db->tables_.push_back(std::make_unique<TableWriter>(db->file_, id, name));
  return db;
}

std::unique_ptr<JetDatabase> JetDatabase::Create(const std::string& path) {
  std::unique_ptr<JetDatabase> db(new JetDatabase(path, true));
  db->now_ = LocalNow();
  db->created_ = JetDate(db->now_);
  if (db->file_.Allocate() != 0 || db->file_.Allocate() != kGlobalMapPage)
    throw JetError("new file not empty: " + path);
  db->file_.Write(0, BuildHeaderPage(db->created_));
  for (TableSchema& t : SystemTables())
    db->tables_.push_back(std::make_unique<TableWriter>(db->file_, std::move(t)));
  TableWriter& catalog = *db->tables_.front();
  for (auto& row : ContainerRows(db->now_)) catalog.Append(row);
  for (auto& t : db->tables_)
    catalog.Append(CatalogRow(int32_t(t->DefinitionPage()), kTablesContainer, t->Schema().name,
                              kTableObject, kSystemObject, db->now_));
  db->Commit();
  return db;
}

TableWriter& JetDatabase::CreateTable(TableSchema schema) {
  if (Find(schema.name)) throw JetError("table " + schema.name + " already exists");
  schema.system = false;
  TableWriter& t = AddTable(std::move(schema), 0);
  Commit();
  return t;
}

TableWriter& JetDatabase::AddTable(TableSchema schema, int32_t flags) {
  tables_.push_back(std::make_unique<TableWriter>(file_, std::move(schema)));
  TableWriter& t = *tables_.back();
  auto failed =
      tables_.front()->Append(CatalogRow(int32_t(t.DefinitionPage()), kTablesContainer,
                                         t.Schema().name, kTableObject, flags, LocalNow()));
  if (failed) {
    t.DropAll();
    tables_.pop_back();
    throw JetError(*failed);
  }
  return t;
}

TableWriter* JetDatabase::Find(const std::string& name) {
  for (auto& t : tables_)
    if (text::SameIgnoringCase(t->Schema().name, name)) return t.get();
  return nullptr;
}

void JetDatabase::DeleteRows(const std::string& name) {
  TableWriter* t = Find(name);
  if (!t || t->Schema().system) throw JetError("no table " + name);
  t->DeleteAll();
  Commit();
}

void JetDatabase::DropTable(const std::string& name) {
  TableWriter* t = Find(name);
  if (!t || t->Schema().system) throw JetError("no table " + name);
  Commit();
  // Its catalog row goes first, then its pages are freed.
  const uint32_t id = t->DefinitionPage();
  tables_.front()->DeleteRowsWhere([&](const std::vector<Cell>& cells) {
    return !cells[0].null && Get32(cells[0].bytes.data()) == id;
  });
  t->DropAll();
  std::erase_if(tables_, [&](const auto& p) { return p.get() == t; });
  Commit();
}

void JetDatabase::Commit() {
  try {
    for (auto& t : tables_) t->PrepareCommit();
    // Until the definitions are written the pages they stop naming still count as used,
    // and the new ones already do: a kill from here on can only leave unused pages behind.
    WriteGlobalMap(false);
    file_.Barrier();
    for (auto& t : tables_) t->FinishCommit();
    WriteGlobalMap(true);
    file_.Sync();
  } catch (const JetError&) {
    Rollback();
    throw;
  }
}

void JetDatabase::Rollback() {
  file_.Rollback();
  for (auto& t : tables_) t->Rollback();
}

void JetDatabase::WriteGlobalMap(bool withFreed) {
  // Twice: the first pass may take bitmap pages, which the second then counts as used.
  Bytes row;
  for (int pass = 0; pass < 2; ++pass) {
    globalMap_.pages = file_.FreePages(withFreed);
    globalMap_.setFrom = file_.PageCount();
    row = globalMap_.Encode(file_, true);
  }
  DataPage page(kGlobalMapPage);
  page.Add(row);
  page.Add(Bytes(UsageMap::kRowSize, 0));
  file_.Write(kGlobalMapPage, page.Image());
}

std::vector<const TableWriter*> JetDatabase::Tables() const {
  std::vector<const TableWriter*> out;
  for (auto& t : tables_) out.push_back(t.get());
  return out;
}

}  // namespace mvq::jet
