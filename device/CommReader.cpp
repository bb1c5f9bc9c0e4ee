#include "CommReader.h"

#include "UserError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <cerrno>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <termios.h>
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

constexpr auto kNoDeviceCause = "%1: no such device";
constexpr auto kPermissionCause =
    "%1: permission denied. On Linux, add your user to the 'dialout' group "
    "(sudo usermod -aG dialout $USER) and log in again";
constexpr auto kBusyCause = "%1 is in use by another program";
constexpr auto kNotSerialCause = "%1 is not a serial port";

// Why the device would not open, in the component's words and in the operator's.
PortOpenError openFailure(const QSerialPort& port, const QString& devicePath) {
    const QString opening = QString::fromLatin1(kOpenErrorText);
    const auto cause = [](const char* text) { return QString::fromLatin1(text); };
#ifdef Q_OS_UNIX
    // The system says what the port driver folds into one error.
    const QByteArray nativePath = QFile::encodeName(devicePath);
    const int fd = ::open(nativePath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const int openError = errno;
    if (fd >= 0) {
        const bool terminal = ::isatty(fd) == 1;
        ::close(fd);
        if (!terminal)
            return {QString::fromLatin1(kNotCommText), cause(kNotSerialCause)};
        // It opens for us: another program holds its lock.
        if (port.error() == QSerialPort::PermissionError)
            return {opening, cause(kBusyCause)};
    } else if (openError == ENOENT || openError == ENXIO || openError == ENODEV) {
        return {opening, cause(kNoDeviceCause)};
    } else if (openError == EACCES || openError == EPERM) {
        return {opening, cause(kPermissionCause)};
    } else if (openError == EBUSY) {
        return {opening, cause(kBusyCause)};
    }
#endif
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {opening, cause(kNoDeviceCause)};
    case QSerialPort::PermissionError:
        return {opening, cause(kPermissionCause)};
    default:
        return {opening, QStringLiteral("%1: ") + port.errorString()};
    }
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

// Waits until the driver has put every written byte on the line.
void drainOutput(QSerialPort& port) {
#ifdef Q_OS_UNIX
    ::tcdrain(int(port.handle()));
#else
    Q_UNUSED(port);
#endif
}

} // namespace

CommReader::CommReader(const QString& devicePath, ChunkSink chunkSink, LossSink lossSink)
    : devicePath_(devicePath), chunkSink_(std::move(chunkSink)), lossSink_(std::move(lossSink)) {}

CommReader::~CommReader() {
    stop();
}

void CommReader::open() {
    start();
    // A thread that could not be created is neither running nor finished.
    if (!isRunning() && !isFinished())
        throw PortOpenError(QString::fromLatin1(kReadThreadText),
                            QStringLiteral("%1: ") + QString::fromLatin1(kReadThreadText));
    const std::optional<PortOpenError> failure = opened_.get_future().get();
    if (failure) {
        wait();
        throw *failure;
    }
}

bool CommReader::queueWrite(const QByteArray& bytes) {
    const std::lock_guard lock(writeMutex_);
    if (!accepting_)
        return false;
    writes_.append(bytes);
    bytesQueued_ += bytes.size();
    return true;
}

bool CommReader::waitForSent(int timeoutMs) {
    std::unique_lock lock(writeMutex_);
    sentChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return bytesSent_ >= bytesQueued_ || !accepting_; });
    return bytesSent_ >= bytesQueued_;
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

void CommReader::confirmSent(qint64 bytes) {
    {
        const std::lock_guard lock(writeMutex_);
        bytesSent_ += bytes;
    }
    sentChanged_.notify_all();
}

void CommReader::stopAccepting() {
    {
        const std::lock_guard lock(writeMutex_);
        accepting_ = false;
        writes_.clear();
    }
    sentChanged_.notify_all();
}

void CommReader::run() {
    QSerialPort port;
    port.setPortName(devicePath_);
    if (!port.open(QIODevice::ReadWrite)) {
        opened_.set_value(openFailure(port, devicePath_));
        return;
    }
    applyLineSettings(port);
    // Nothing received or queued before this opening belongs to it.
    port.clear(QSerialPort::AllDirections);
    {
        const std::lock_guard lock(writeMutex_);
        accepting_ = true;
    }
    opened_.set_value(std::nullopt);

    QByteArray pending;
    QElapsedTimer sinceLastByte;
    qint64 unconfirmed = 0; // written to the port object, not yet known to be on the line
    bool linkLost = false;
    while (!stopRequested_.load()) {
        const QByteArray outgoing = takeQueuedWrites();
        if (!outgoing.isEmpty()) {
            port.write(outgoing); // sent by the waits below
            unconfirmed += outgoing.size();
        }
        if (unconfirmed > 0 && port.bytesToWrite() == 0) {
            drainOutput(port);
            confirmSent(unconfirmed);
            unconfirmed = 0;
        }

        int waitMs = kIdlePollMs;
        if (!pending.isEmpty()) {
            const qint64 quietMs = sinceLastByte.elapsed();
            if (quietMs > kReadIntervalMs) {
                chunkSink_(pending, true);
                pending.clear();
                continue;
            }
            waitMs = int(kReadIntervalMs + 1 - quietMs);
        }

        port.clearError();
        // Bytes may already have been read while the port was writing.
        if (port.bytesAvailable() > 0 || port.waitForReadyRead(waitMs)) {
            pending.append(port.readAll());
            sinceLastByte.start();
            // Cut at the limit only once a byte beyond it is in, so that a chunk that fills
            // the limit and is followed by silence says so.
            while (pending.size() > kMaxChunkBytes) {
                chunkSink_(pending.left(kMaxChunkBytes), false);
                pending.remove(0, kMaxChunkBytes);
            }
            continue;
        }
        if (!isSilence(port.error())) {
            linkLost = true;
            break;
        }
    }

    stopAccepting();
    if (linkLost) {
        // The device went away: every byte already read is handed over, then the loss.
        pending.append(port.readAll());
        if (!pending.isEmpty())
            chunkSink_(pending, true);
        lossSink_();
    }
    // Unsent output and, when stopped by the owner, unfinished input are dropped with the port.
    port.clear(QSerialPort::AllDirections);
    port.close();
}

} // namespace zor
