#pragma once
// A whole table read in ranges of its one-column key, for drivers that hold every row of a
// result in memory (Quirks::keyRangeRows): each range is one statement of at most that many
// rows, "where key > the last key read", so that memory stays at one range.
#include <memory>
#include <optional>
#include <string>

#include "platform/odbc/OdbcQuery.h"

namespace mvq::db {

class KeyRangeQuery : public Query {
 public:
  // Opens the first range of table ordered by key; throws DbError.
  KeyRangeQuery(std::shared_ptr<Session> session, const std::string& table, const std::string& key,
                size_t rows);

  // Only the table given at construction is read.
  void Open(const std::string& sql, const Params& params, Fetch fetch) override;
  int64_t Execute(const std::string& sql, const Params& params) override;
  bool IsOpen() const override { return range_.IsOpen(); }
  void Close() override { range_.Close(); }
  const std::vector<FieldDesc>& Fields() const override { return fields_; }
  bool Eof() const override { return range_.Eof(); }
  void Next() override;
  void First() override;
  const Variant& Value(size_t i) const override { return range_.Value(i); }
  int64_t RecordCount() const override;

 private:
  void OpenRange(const std::optional<Variant>& after);

  std::string first_, next_;  // the statements of the first and the following ranges
  size_t rows_;
  OdbcQuery range_;
  std::vector<FieldDesc> fields_;
  size_t keyIndex_ = 0;
  size_t read_ = 0;  // rows read of the current range
};

}  // namespace mvq::db
