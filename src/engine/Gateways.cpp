#include "engine/Gateways.h"

#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"

namespace mvq {

std::unique_ptr<TComDBConn> OracleGate;
std::unique_ptr<TMDBDataGate> MdbGate;
std::unique_ptr<TSQLComDBConn> SqlGate;
std::unique_ptr<TADOConn> CustomSourceGate;
std::unique_ptr<TADOConn> CustomTargetGate;

}  // namespace mvq
