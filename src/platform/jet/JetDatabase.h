#pragma once
// A Jet 4 file this program writes: made new from nothing, tables created, filled, emptied
// and dropped. Rows become durable at Commit; until then a crash loses only them.
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/PageFile.h"
#include "platform/jet/TableWriter.h"
#include "platform/jet/UsageMap.h"

namespace mvq::jet {

class JetDatabase {
 public:
  // Writes a new, empty database at path (replacing any file there); throws JetError.
  static std::unique_ptr<JetDatabase> Create(const std::string& path);
  // Opens a Jet 4 file for writing, ours or made by Access; throws JetError when it is no
  // Jet 4 file or another process holds it. Pages it already has are never reused.
  static std::unique_ptr<JetDatabase> Open(const std::string& path);

  // Creates a user table, listed in the catalog, and commits; throws JetError.
  TableWriter& CreateTable(TableSchema schema);
  TableWriter* Find(const std::string& name);
  void DropTable(const std::string& name);
  void DeleteRows(const std::string& name);
  // Makes every row appended so far durable, all of them or, when it fails (and throws),
  // none: the tables are then as the last commit left them.
  void Commit();
  // Forgets every row appended since the last commit.
  void Rollback();

  std::vector<const TableWriter*> Tables() const;
  PageFile& File() { return file_; }

 private:
  JetDatabase(const std::string& path, bool create);
  TableWriter& AddTable(TableSchema schema, int32_t flags);
  // withFreed: the pages this commit stopped using count as free.
  void WriteGlobalMap(bool withFreed);

  PageFile file_;
  std::vector<std::unique_ptr<TableWriter>> tables_;
  UsageMap globalMap_;  // free pages; its bitmap pages kept across commits
  db::DateTime now_;
  double created_ = 0;
};

}  // namespace mvq::jet
