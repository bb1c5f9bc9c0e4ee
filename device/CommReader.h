#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <optional>

#include "UserError.h"

namespace zor {

inline constexpr int kReadIntervalMs = 20;
inline constexpr int kMaxChunkBytes = 1024;

// The thread that owns an open serial device: it opens it, sends what is queued, and cuts
// the received bytes into chunks ended by silence or by the chunk limit. The port object
// lives in this thread alone; the owner talks to it only through the calls below.
class CommReader : public QThread {
public:
    // Called on the reader thread for every completed chunk; endedBySilence is false when the
    // chunk was cut at the chunk limit with more bytes already behind it.
    using ChunkSink = std::function<void(const QByteArray& chunk, bool endedBySilence)>;
    // Called on the reader thread once when reading failed, after the last chunk.
    using LossSink = std::function<void()>;

    CommReader(const QString& devicePath, ChunkSink chunkSink, LossSink lossSink);
    ~CommReader() override;

    // Starts the thread and opens the device; throws PortOpenError with the port's text and
    // the cause.
    void open();

    // Queues bytes for sending; false once reading and sending have stopped.
    bool queueWrite(const QByteArray& bytes);

    // Waits until every queued byte has left for the device; false on time-out or when
    // sending stopped first.
    bool waitForSent(int timeoutMs);

    // Discards unsent output and unfinished input, stops the thread and closes the device.
    void stop();

protected:
    void run() override;

private:
    QByteArray takeQueuedWrites();
    void confirmSent(qint64 bytes);
    void stopAccepting();

    const QString devicePath_;
    const ChunkSink chunkSink_;
    const LossSink lossSink_;
    std::promise<std::optional<PortOpenError>> opened_; // nothing when the device opened
    std::atomic<bool> stopRequested_{false};
    std::mutex writeMutex_;
    std::condition_variable sentChanged_;
    // Guarded by writeMutex_:
    QList<QByteArray> writes_;
    bool accepting_ = false;
    qint64 bytesQueued_ = 0;
    qint64 bytesSent_ = 0;
};

} // namespace zor
