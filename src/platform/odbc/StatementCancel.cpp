#include "platform/odbc/StatementCancel.h"

#include <sqlext.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace mvq::db {
namespace {

// Held while a cancel is sent, so that no statement handle is freed under it.
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
std::vector<SQLHSTMT>& Executing() {
  static std::vector<SQLHSTMT> list;
  return list;
}
std::vector<CancelHook*>& Hooks() {
  static std::vector<CancelHook*> list;
  return list;
}

template <typename T>
void Erase(std::vector<T>& list, T item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

}  // namespace

ExecutingStatement::ExecutingStatement(SQLHSTMT stmt) : stmt_(stmt) {
  std::lock_guard<std::mutex> guard(Lock());
  Executing().push_back(stmt_);
}

ExecutingStatement::~ExecutingStatement() {
  std::lock_guard<std::mutex> guard(Lock());
  Erase(Executing(), stmt_);
}

CancelHook::CancelHook(std::function<void()> cancel) : cancel_(std::move(cancel)) {
  std::lock_guard<std::mutex> guard(Lock());
  Hooks().push_back(this);
}

CancelHook::~CancelHook() {
  std::lock_guard<std::mutex> guard(Lock());
  Erase(Hooks(), this);
}

void CancelStatementsUnderWay() {
  std::lock_guard<std::mutex> guard(Lock());
  for (SQLHSTMT stmt : Executing()) SQLCancel(stmt);
  for (CancelHook* hook : Hooks()) hook->cancel_();
}

int StatementsUnderWay() {
  std::lock_guard<std::mutex> guard(Lock());
  return static_cast<int>(Executing().size());
}

}  // namespace mvq::db
