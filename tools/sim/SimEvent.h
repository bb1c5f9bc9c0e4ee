#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace zor::sim {

// One alarm event in the simulated detector's log, as the detector keeps it: codes and raw
// readings (CO in whole units, every other gas in tenths).
struct SimEvent {
    int gasCode = 1;
    int unitCode = 1;
    QDateTime start;
    quint16 startRaw = 0;
    QDateTime peak;
    quint16 peakRaw = 0;
    QDateTime end;
    quint16 endRaw = 0;

    bool operator==(const SimEvent&) const = default;
};

} // namespace zor::sim
