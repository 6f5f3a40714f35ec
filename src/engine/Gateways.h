#pragma once
// The process-wide gateway slots. The wizard fills and empties them; the engine and the
// workbook export use the slots of the current direction while a run is going on.
#include <memory>

namespace mvq {

class TComDBConn;
class TMDBDataGate;
class TSQLComDBConn;
class TADOConn;

extern std::unique_ptr<TComDBConn> OracleGate;
extern std::unique_ptr<TMDBDataGate> MdbGate;
extern std::unique_ptr<TSQLComDBConn> SqlGate;
extern std::unique_ptr<TADOConn> CustomSourceGate;
extern std::unique_ptr<TADOConn> CustomTargetGate;

}  // namespace mvq
