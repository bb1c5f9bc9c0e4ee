#include "CommReader.h"

#include "UserError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace zor {

namespace {

constexpr auto kOpenErrorText = "Error opening serial port";
constexpr auto kNotCommText = "File handle is not a comm handle ";
constexpr auto kReadThreadText = "Unable to create read thread";

constexpr qint32 kBaudRate = 9600;
// How long the idle reader waits for a byte before it looks at the queue and the stop flag.
constexpr int kIdlePollMs = 10;

// Tells a device that cannot be opened from one that opens but is no serial device.
QString openFailureText(const QString& devicePath) {
#ifdef Q_OS_UNIX
    const QByteArray nativePath = QFile::encodeName(devicePath);
    const int fd = ::open(nativePath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        const bool terminal = ::isatty(fd) == 1;
        ::close(fd);
        if (!terminal)
            return QString::fromLatin1(kNotCommText);
    }
#else
    Q_UNUSED(devicePath);
#endif
    return QString::fromLatin1(kOpenErrorText);
}

// Line settings of the detector link; a device that refuses one is used as it is.
void applyLineSettings(QSerialPort& port) {
    port.setBaudRate(kBaudRate);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.setDataTerminalReady(true);
    port.setRequestToSend(true);
}

// A wait that ended without data because time ran out rather than because reading failed.
bool isSilence(QSerialPort::SerialPortError error) {
    return error == QSerialPort::NoError || error == QSerialPort::TimeoutError;
}

} // namespace

CommReader::CommReader(const QString& devicePath, ChunkSink sink)
    : devicePath_(devicePath), sink_(std::move(sink)) {}

CommReader::~CommReader() {
    stop();
}

void CommReader::open() {
    start();
    // A thread that could not be created is neither running nor finished.
    if (!isRunning() && !isFinished())
        throw UserError(QString::fromLatin1(kReadThreadText));
    const QString openError = opened_.get_future().get();
    if (!openError.isEmpty()) {
        wait();
        throw UserError(openError);
    }
}

bool CommReader::queueWrite(const QByteArray& bytes) {
    const std::lock_guard lock(writeMutex_);
    if (!accepting_)
        return false;
    writes_.append(bytes);
    return true;
}

void CommReader::stop() {
    stopRequested_.store(true);
    wait();
}

QByteArray CommReader::takeQueuedWrites() {
    const std::lock_guard lock(writeMutex_);
    QByteArray bytes;
    for (const QByteArray& write : std::as_const(writes_))
        bytes.append(write);
    writes_.clear();
    return bytes;
}

void CommReader::run() {
    QSerialPort port;
    port.setPortName(devicePath_);
    if (!port.open(QIODevice::ReadWrite)) {
        opened_.set_value(openFailureText(devicePath_));
        return;
    }
    applyLineSettings(port);
    // Nothing received or queued before this opening belongs to it.
    port.clear(QSerialPort::AllDirections);
    {
        const std::lock_guard lock(writeMutex_);
        accepting_ = true;
    }
    opened_.set_value(QString());

    QByteArray pending;
    QElapsedTimer sinceLastByte;
    while (!stopRequested_.load()) {
        const QByteArray outgoing = takeQueuedWrites();
        if (!outgoing.isEmpty())
            port.write(outgoing); // sent by the waits below

        int waitMs = kIdlePollMs;
        if (!pending.isEmpty()) {
            const qint64 quietMs = sinceLastByte.elapsed();
            if (quietMs > kReadIntervalMs) {
                sink_(pending);
                pending.clear();
                continue;
            }
            waitMs = int(kReadIntervalMs + 1 - quietMs);
        }

        port.clearError();
        if (port.waitForReadyRead(waitMs)) {
            pending.append(port.readAll());
            sinceLastByte.start();
            while (pending.size() >= kMaxChunkBytes) {
                sink_(pending.left(kMaxChunkBytes));
                pending.remove(0, kMaxChunkBytes);
            }
            continue;
        }
        // Reading failed (the device went away): stop quietly until the owner closes.
        if (!isSilence(port.error()))
            break;
    }

    {
        const std::lock_guard lock(writeMutex_);
        accepting_ = false;
        writes_.clear();
    }
    // Unsent output and unfinished input are dropped with the port.
    port.clear(QSerialPort::AllDirections);
    port.close();
}

} // namespace zor
