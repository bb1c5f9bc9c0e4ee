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

    bool isOpen() const { return reader_ != nullptr; }

signals:
    void ReceiveData(const QByteArray& chunk);

private:
    std::unique_ptr<CommReader> reader_;
};

} // namespace zor
