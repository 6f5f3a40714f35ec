#pragma once
// Statements under way, so that a cancel from another thread (the batch runner's Ctrl-C)
// reaches the server while the program's own thread waits in the driver: a DROP held behind
// a lock, a long count, a COPY.
#include <sql.h>

#include <functional>

namespace mvq::db {

// Marks a statement as executing for its lifetime.
class ExecutingStatement {
 public:
  explicit ExecutingStatement(SQLHSTMT stmt);
  ~ExecutingStatement();
  ExecutingStatement(const ExecutingStatement&) = delete;
  ExecutingStatement& operator=(const ExecutingStatement&) = delete;

 private:
  SQLHSTMT stmt_;
};

// Work other than an ODBC statement that can be told to stop (a libpq COPY session); the
// hook must be callable from any thread.
class CancelHook {
 public:
  explicit CancelHook(std::function<void()> cancel);
  ~CancelHook();
  CancelHook(const CancelHook&) = delete;
  CancelHook& operator=(const CancelHook&) = delete;

 private:
  friend void CancelStatementsUnderWay();
  std::function<void()> cancel_;
};

// SQLCancel for every statement executing now and every hook; returns when each server has
// been asked. Thread-safe; not for a signal handler.
void CancelStatementsUnderWay();
// How many statements are executing now; for tests.
int StatementsUnderWay();

}  // namespace mvq::db
