#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <future>
#include <mutex>

namespace zor {

inline constexpr int kReadIntervalMs = 20;
inline constexpr int kMaxChunkBytes = 1024;

// The thread that owns an open serial device: it opens it, sends what is queued, and cuts
// the received bytes into chunks ended by silence or by the chunk limit. The port object
// lives in this thread alone; the owner talks to it only through the calls below.
class CommReader : public QThread {
public:
    // Called on the reader thread for every completed chunk.
    using ChunkSink = std::function<void(const QByteArray&)>;

    CommReader(const QString& devicePath, ChunkSink sink);
    ~CommReader() override;

    // Starts the thread and opens the device; throws UserError with the port's text.
    void open();

    // Queues bytes for sending; false once reading and sending have stopped.
    bool queueWrite(const QByteArray& bytes);

    // Discards unsent output and unfinished input, stops the thread and closes the device.
    void stop();

protected:
    void run() override;

private:
    QByteArray takeQueuedWrites();

    const QString devicePath_;
    const ChunkSink sink_;
    std::promise<QString> opened_; // empty text when the device opened
    std::atomic<bool> stopRequested_{false};
    std::mutex writeMutex_;
    QList<QByteArray> writes_;
    bool accepting_ = false; // guarded by writeMutex_
};

} // namespace zor
