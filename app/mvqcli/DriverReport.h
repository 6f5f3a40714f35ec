#pragma once
// mvqcli --drivers: for each kind of database the ODBC driver mvq would use here, or what
// to install.
namespace mvq::cli {

// Prints the report on stdout; the exit code (0).
int PrintDrivers();

}  // namespace mvq::cli
