#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace zor::bench {

// A timer that ticks while the event loop runs and keeps the longest wait between ticks:
// a long wait means the window did not answer for that long.
class TickMonitor {
public:
    static constexpr int kTickMs = 50;

    TickMonitor() {
        timer_.setInterval(kTickMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longestGapMs_ = std::max(longestGapMs_, sinceTick_.restart());
            ++ticks_;
        });
    }

    void start() {
        longestGapMs_ = 0;
        ticks_ = 0;
        sinceTick_.start();
        timer_.start();
    }
    void stop() {
        timer_.stop();
        longestGapMs_ = std::max(longestGapMs_, sinceTick_.elapsed());
    }

    qint64 longestGapMs() const { return longestGapMs_; }
    int ticks() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer sinceTick_;
    qint64 longestGapMs_ = 0;
    int ticks_ = 0;
};

} // namespace zor::bench
