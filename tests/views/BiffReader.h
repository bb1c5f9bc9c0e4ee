#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QTest>
#include <cstring>

namespace zor::test {

// One record of a BIFF stream as read back from the bytes.
struct BiffRecordRead {
    int type = 0;
    QByteArray body;
};

// One worksheet cell: its record kind and its value as text ("" for BLANK).
struct BiffCell {
    int type = 0;
    QString value;
    int format = -1;
};

inline int wordAt(const QByteArray& bytes, int at) {
    return quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8);
}

inline quint32 dwordAt(const QByteArray& bytes, int at) {
    return quint32(wordAt(bytes, at)) | (quint32(wordAt(bytes, at + 2)) << 16);
}

// Splits the stream into records; a record running past the end fails the test.
inline QList<BiffRecordRead> readRecords(const QByteArray& bytes) {
    QList<BiffRecordRead> records;
    int at = 0;
    while (at < bytes.size()) {
        if (at + 4 > bytes.size()) {
            QTest::qFail("record header cut off", __FILE__, __LINE__);
            return {};
        }
        const int type = wordAt(bytes, at);
        const int length = wordAt(bytes, at + 2);
        if (at + 4 + length > bytes.size()) {
            QTest::qFail("record body cut off", __FILE__, __LINE__);
            return {};
        }
        records.append({type, bytes.mid(at + 4, length)});
        at += 4 + length;
    }
    return records;
}

// Decodes an RK value the way a spreadsheet program does.
inline double rkValue(quint32 rk) {
    double value = 0;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

// The cells of the worksheet by (row, column); each cell record must have the right length.
inline QMap<QPair<int, int>, BiffCell> readCells(const QList<BiffRecordRead>& records) {
    QMap<QPair<int, int>, BiffCell> cells;
    for (const BiffRecordRead& r : records) {
        if (r.type == 0x0809 || r.type == 0x000A)
            continue;
        BiffCell cell;
        cell.type = r.type;
        const int row = wordAt(r.body, 0);
        const int column = wordAt(r.body, 2);
        cell.format = wordAt(r.body, 4);
        switch (r.type) {
        case 0x0204: {
            const int length = wordAt(r.body, 6);
            if (r.body.size() != 8 + length)
                QTest::qFail("LABEL length", __FILE__, __LINE__);
            cell.value = QString::fromLatin1(r.body.mid(8, length));
            break;
        }
        case 0x0203: {
            if (r.body.size() != 14)
                QTest::qFail("NUMBER length", __FILE__, __LINE__);
            double value = 0;
            std::memcpy(&value, r.body.constData() + 6, sizeof value);
            cell.value = QString::number(value, 'g', 17);
            break;
        }
        case 0x027E:
            if (r.body.size() != 10)
                QTest::qFail("RK length", __FILE__, __LINE__);
            cell.value = QString::number(rkValue(dwordAt(r.body, 6)), 'g', 17);
            break;
        case 0x0201:
            if (r.body.size() != 6)
                QTest::qFail("BLANK length", __FILE__, __LINE__);
            break;
        default:
            QTest::qFail(qPrintable(QString("unexpected record 0x%1").arg(r.type, 4, 16)), __FILE__,
                         __LINE__);
        }
        if (cells.contains({row, column}))
            QTest::qFail("cell written twice", __FILE__, __LINE__);
        cells.insert({row, column}, cell);
    }
    return cells;
}

} // namespace zor::test
