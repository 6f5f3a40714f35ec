#pragma once
// Jet 4 tables read straight from the file, without a driver between: the reading driver
// (MDBTools) changes values (Integer -32768 as 32768, Single through a double, Currency
// through a double, empty text as NULL, dates before 1900 or a 20,000-character Memo
// refused or changed). The file is opened read-only and never locked, so a file another
// program holds open is read as its last write left it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/TableSchema.h"
#include "platform/odbc/Variant.h"

namespace mvq::jet {

class JetReader {
 public:
  struct Table {
    std::string name;
    uint32_t definitionPage = 0;
  };
  // Rows of one table in the order its data pages hold them; bounded memory.
  class Cursor {
   public:
    // The next row's values in column order; false at the end. Throws JetError.
    virtual bool Next(std::vector<db::Variant>& row) = 0;
    virtual ~Cursor() = default;
  };

  // nullptr when the file is no Jet 4 file (Jet 3 files are left to the driver); throws
  // JetError when it cannot be opened or its catalog is unreadable.
  static std::unique_ptr<JetReader> Open(const std::string& path);
  ~JetReader();

  // The user and system tables the catalog lists; Find ignores letter case.
  const std::vector<Table>& Tables() const { return tables_; }
  const Table* Find(const std::string& name) const;
  TableSchema Schema(const Table& t) const;
  std::unique_ptr<Cursor> Rows(const Table& t) const;
  // The rows a cursor would give, counted without decoding them.
  int64_t CountRows(const Table& t) const;

 private:
  explicit JetReader(int fd) : fd_(fd) {}
  Page Read(uint32_t page) const;
  // The table's schema (named) and its data pages.
  struct Loaded {
    TableSchema schema;
    std::vector<uint32_t> pages;
  };
  Loaded Load(const Table& t) const;
  // Every live row on those of pages that are data pages of owner, in page order.
  void ForEachLiveRow(uint32_t owner, const std::vector<uint32_t>& pages,
                      const std::function<void(const Bytes&)>& f) const;

  int fd_;
  std::vector<Table> tables_;
};

}  // namespace mvq::jet
