#include "platform/oracle/OraConnectString.h"

namespace mvq::ora {

std::string ConnectDescriptor(const ConnectSettings& s) {
  return "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=" + s.host + ")(PORT=" + s.port +
         "))(CONNECT_DATA=(" + (s.serviceName ? "SERVICE_NAME=" : "SID=") + s.sid + ")))";
}

std::string QuoteAttribute(const std::string& value) {
  bool needs = value.find_first_of(";{}") != std::string::npos ||
               (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!needs) return value;
  std::string quoted = "{";
  for (char c : value) {
    quoted += c;
    if (c == '}') quoted += '}';
  }
  return quoted + "}";
}

std::string BuildConnectString(const ConnectSettings& s, const std::string& driver) {
  std::string braced = "{";
  for (char c : driver) {
    braced += c;
    if (c == '}') braced += '}';
  }
  braced += "}";
  return "DRIVER=" + braced + ";DBQ=" + QuoteAttribute(ConnectDescriptor(s)) +
         ";UID=" + QuoteAttribute(s.user) + ";PWD=" + QuoteAttribute(s.password);
}

}  // namespace mvq::ora
