#pragma once

#include "PseudoTerminal.h"

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace zor::bench {

// A detector on a pseudo-terminal that answers the read command with its frames paced at
// the wire rate (each frame written when its last byte would have arrived at 9600 baud), or
// all at once as a flood.
class PacedDetector {
public:
    using Clock = std::chrono::steady_clock;
    // 32 bytes of 10 bits each (start, 8 data, stop) at 9600 baud.
    static constexpr std::chrono::microseconds kFrameWireTime{32 * 10 * 1'000'000 / 9600};

    PacedDetector(std::vector<QByteArray> frames, bool paced);
    ~PacedDetector();

    const QString& devicePath() const { return pty_.slavePath(); }
    // When the read command was seen; valid once answering() is true.
    Clock::time_point commandSeen() const { return commandSeen_; }
    bool answering() const { return answering_.load(); }
    std::chrono::microseconds wireTime() const { return kFrameWireTime * qint64(frames_.size()); }

private:
    void run();

    sim::PseudoTerminal pty_;
    const std::vector<QByteArray> frames_;
    const bool paced_;
    Clock::time_point commandSeen_;
    std::atomic<bool> answering_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace zor::bench
