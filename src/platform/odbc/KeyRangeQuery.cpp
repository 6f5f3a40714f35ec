#include "platform/odbc/KeyRangeQuery.h"

#include <cctype>

#include "platform/odbc/NameRules.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {}  // namespace

KeyRangeQuery::KeyRangeQuery(std::shared_ptr<Session> session, const std::string& table,
                             const std::string& key, size_t rows)
    : rows_(rows), range_(session) {
  const std::string k = session->Quote(key);
  const std::string from = "select * from " + TableName(*session, table);
  const std::string tail = " order by " + k + " limit " + std::to_string(rows);
  first_ = from + tail;
  next_ = from + " where " + k + " > ?" + tail;
  OpenRange(std::nullopt);
  fields_ = range_.Fields();
  keyIndex_ = fields_.size();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (text::SameIgnoringCase(fields_[i].name, key)) keyIndex_ = i;
  }
  if (keyIndex_ == fields_.size())
    throw DbError("the key column " + key + " is not among the columns of " + table);
}

void KeyRangeQuery::OpenRange(const std::optional<Variant>& after) {
  if (after)
    range_.Open(next_, {{*after}}, Fetch::Stream);
  else
    range_.Open(first_, {}, Fetch::Stream);
  read_ = 0;
}

void KeyRangeQuery::Open(const std::string&, const Params&, Fetch) {
  throw DbError("a key-range read opens only its own table");
}

int64_t KeyRangeQuery::Execute(const std::string&, const Params&) {
  throw DbError("a key-range read runs no other statement");
}

void KeyRangeQuery::Next() {
  if (range_.Eof()) return;
  Variant last = range_.Value(keyIndex_);
  range_.Next();
  // A full range may be followed by another; a shorter one was the table's end.
  if (++read_ == rows_ && range_.Eof()) OpenRange(last);
}

void KeyRangeQuery::First() {
  throw DbError("a streaming result cannot go back to its first row");
}

int64_t KeyRangeQuery::RecordCount() const {
  if (!range_.IsOpen()) throw DbError("Operation is not allowed when the object is closed.");
  return -1;
}

}  // namespace mvq::db
