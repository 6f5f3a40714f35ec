#pragma once
// Creation of empty Access database files, which only Microsoft's Access ODBC driver can do
// (MDBTools reads Access files but has no way to create one).
#include <optional>
#include <string>

namespace mvq::db {

// The description of an installed driver that can create Access files, if there is one.
std::optional<std::string> AccessCreatingDriver();

// Creates an empty Access database at path through that driver. Throws DbError.
void CreateAccessFile(const std::string& driver, const std::string& path);

}  // namespace mvq::db
