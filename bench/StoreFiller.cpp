#include "StoreFiller.h"

#include "AlarmFrame.h"
#include "Database.h"
#include "FrameFactory.h"
#include "SqlSupport.h"
#include "UserError.h"

#include <QSqlQuery>

namespace zor::bench {

namespace {

constexpr int kBatchFrames = 10000;
constexpr auto kInsert = R"sql(INSERT INTO AR(Gas, sTime, sValue, pTime, pValue, eTime, eValue, Unt)
  VALUES (:gas, :sTime, :sValue, :pTime, :pValue, :eTime, :eValue, :unit))sql";

} // namespace

void createFilledStore(const QString& path, int rows) {
    Database::createEmpty(path);
    Database db(path);
    QSqlDatabase connection = db.connection();
    // Filling is set-up, not what is measured: one transaction, no flushes.
    executeDirect(connection, "PRAGMA synchronous = OFF");
    executeDirect(connection, "BEGIN");
    QSqlQuery insert = prepareStatement(connection, kInsert);
    for (int first = 0; first < rows; first += kBatchFrames) {
        for (const QByteArray& frame :
             distinctFrames(std::min(kBatchFrames, rows - first), first)) {
            const AlarmRecord r = *Decode(frame);
            insert.bindValue(":gas", r.gas);
            insert.bindValue(":sTime", toStoredTime(r.sTime));
            insert.bindValue(":sValue", r.sValue);
            insert.bindValue(":pTime", toStoredTime(r.pTime));
            insert.bindValue(":pValue", r.pValue);
            insert.bindValue(":eTime", toStoredTime(r.eTime));
            insert.bindValue(":eValue", r.eValue);
            insert.bindValue(":unit", r.unit);
            execute(insert);
        }
    }
    insert.finish();
    executeDirect(connection, "COMMIT");
    executeDirect(connection, "PRAGMA wal_checkpoint(TRUNCATE)");
}

} // namespace zor::bench
