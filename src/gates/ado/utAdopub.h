#pragma once
// TMDBDataGate: the gate to one Access database file, and CreateMdbFile for a target file
// that does not exist yet. The gate holds one connection to the file.
#include <string>

#include "gates/ado/utNCDataGates.h"

namespace mvq {

class TMDBDataGate : public TADODataGate {
 public:
  // Opens the file through "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%s;Persist
  // Security Info=True". A failure is logged ("失败因...:无法建立数据连接" + hyphens) and
  // leaves the gate without a connection, ConnectFailed true.
  explicit TMDBDataGate(const std::string& path);

  // Rows affected (0 when the driver does not count), or -1 after a logged failure.
  int ExecuteSql(const std::string& sql);

  // CREATE TABLE text in the Oracle dialect from the file's columns of table.
  std::string BuildOracleCreateSql(const std::string& table);
  // Jet's names, whichever driver reads the file.
  db::NameRules Names() const override { return db::NameRulesFor(db::Dbms::Access); }

 protected:
  bool CanPageByKey() const override { return false; }
};

// Writes a new, empty Access database at path with our own Jet writer. Throws naming the
// path when the file cannot be written.
void CreateMdbFile(const std::string& path);

}  // namespace mvq
