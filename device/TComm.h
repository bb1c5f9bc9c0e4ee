#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace zor {

class CommReader;

// The serial component: opens the chosen port with the detector's line settings, sends
// queued bytes and hands every received chunk (the bytes of one read, ended by silence or by
// the chunk limit) to the thread that owns it, in order. Call it from that thread only.
// Whatever an opening read is handed over only while that opening lasts.
class TComm : public QObject {
    Q_OBJECT

public:
    explicit TComm(QObject* parent = nullptr);
    ~TComm() override;

    // The port name as chosen in the port box.
    QString CommName = QStringLiteral("COM1");

    // Opens CommName and starts receiving; throws UserError with the component's text.
    void StartComm();

    // Drops unsent output and input not yet handed over, stops reading and closes the port.
    // Does nothing when the port is closed. No chunk is handed over after it returns.
    void StopComm();

    // Queues bytes for sending; true when they were queued.
    bool WriteCommData(const char* data, quint16 size);

    // Waits until every queued byte has been written to the device; false on time-out, when
    // the port is closed or when the link was lost first.
    bool waitForSent(int timeoutMs);

    // The port as the operator knows it: "COM3 (/dev/ttyS2)", or the device path.
    QString portLabel() const;

    // Open from StartComm to StopComm, also after the link was lost.
    bool isOpen() const { return reader_ != nullptr; }

signals:
    // endedBySilence: the line went quiet after the chunk's last byte; false when the chunk
    // was cut at the chunk limit.
    void ReceiveData(const QByteArray& chunk, bool endedBySilence);

    // Reading failed (the device went away); comes once, after every chunk already read.
    void LinkLost();

private:
    std::unique_ptr<CommReader> reader_;
    quint64 opening_ = 0; // bumped by StartComm and StopComm
};

} // namespace zor
