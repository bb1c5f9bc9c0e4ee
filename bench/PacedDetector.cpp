#include "PacedDetector.h"

#include "CommandFrame.h"

namespace zor::bench {

namespace {
constexpr int kPollMs = 20;
constexpr int kWriteTimeoutMs = 5000;
} // namespace

PacedDetector::PacedDetector(std::vector<QByteArray> frames, bool paced)
    : frames_(std::move(frames)), paced_(paced) {
    pty_.holdSlave();
    thread_ = std::thread([this] { run(); });
}

PacedDetector::~PacedDetector() {
    stop_.store(true);
    thread_.join();
}

void PacedDetector::run() {
    const QByteArray command = readCommandFrame();
    QByteArray received;
    while (!stop_.load() && !received.contains(command))
        received += pty_.readAvailable(kPollMs);
    if (stop_.load())
        return;
    commandSeen_ = Clock::now();
    answering_.store(true);
    for (size_t i = 0; i < frames_.size() && !stop_.load(); ++i) {
        if (paced_)
            std::this_thread::sleep_until(commandSeen_ + kFrameWireTime * qint64(i + 1));
        if (!pty_.writeAll(frames_[i], kWriteTimeoutMs))
            return;
    }
}

} // namespace zor::bench
