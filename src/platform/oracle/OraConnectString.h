#pragma once
// The connection string of an Oracle session: Oracle's ODBC driver, a TCP connect
// descriptor built from host, port and SID (no tnsnames.ora needed), user and password.
#include <string>

namespace mvq::ora {

struct ConnectSettings {
  std::string host, port, sid, user, password;
  std::string driver;        // empty: the first installed driver named like Oracle
  bool serviceName = false;  // sid names a service (a pluggable database) rather than a SID
};

// "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=h)(PORT=p))(CONNECT_DATA=(SID=s)))", the
// settings used as typed.
std::string ConnectDescriptor(const ConnectSettings& settings);

// "DRIVER={driver};DBQ=descriptor;UID=user;PWD=password". A value holding ';', braces or
// outer blanks is enclosed in braces so that it cannot end its attribute early.
std::string BuildConnectString(const ConnectSettings& settings, const std::string& driver);

// value, or "{value}" with every '}' doubled when value needs quoting.
std::string QuoteAttribute(const std::string& value);

}  // namespace mvq::ora
