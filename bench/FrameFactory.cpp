#include "FrameFactory.h"

namespace zor::bench {

namespace {

constexpr quint8 kStart = 0xAA;
constexpr quint8 kEcho = 0xF0;
constexpr quint8 kLength = 0x1A;
constexpr quint8 kEnd = 0x55;
constexpr int kCentury = 2000;
constexpr int kSecondsApart = 97;

void putTime(QByteArray& frame, int at, const QDateTime& t) {
    frame[at + 0] = char(t.date().year() - kCentury);
    frame[at + 1] = char(t.date().month());
    frame[at + 2] = char(t.date().day());
    frame[at + 3] = char(t.time().hour());
    frame[at + 4] = char(t.time().minute());
    frame[at + 5] = char(t.time().second());
}

void putReading(QByteArray& frame, int at, int raw) {
    frame[at] = char((raw >> 8) & 0xFF);
    frame[at + 1] = char(raw & 0xFF);
}

} // namespace

std::vector<QByteArray> distinctFrames(int count, int firstSerial) {
    const QDateTime origin(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    std::vector<QByteArray> frames;
    frames.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int serial = firstSerial + i;
        const QDateTime peak = origin.addSecs(qint64(serial) * kSecondsApart);
        QByteArray frame(kAlarmFrameSize, '\0');
        frame[0] = char(kStart);
        frame[2] = char(kEcho);
        frame[3] = char(kLength);
        putTime(frame, 4, peak.addSecs(-40));
        putReading(frame, 10, 30 + serial % 50);
        putTime(frame, 12, peak);
        putReading(frame, 18, 100 + serial % 400);
        putTime(frame, 20, peak.addSecs(50));
        putReading(frame, 26, 20 + serial % 30);
        frame[28] = char(1 + serial % kGasCount);
        frame[29] = char(1 + serial % kUnitCount);
        frame[31] = char(kEnd);
        frames.push_back(frame);
    }
    return frames;
}

} // namespace zor::bench
