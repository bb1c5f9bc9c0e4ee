#include "PseudoTerminal.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zor::sim {

namespace {

constexpr int kReadBlockBytes = 4096;

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

void makeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        fail("tcsetattr");
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd pfd{fd, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&pfd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

} // namespace

PseudoTerminal::PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ::close(master_);
        fail("grantpt/unlockpt");
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        ::close(master_);
        fail("ptsname");
    }
    slavePath_ = QFile::decodeName(name);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Termios calls on the master set the slave's line discipline: raw, so no byte is
    // translated or echoed even before anyone opens the slave.
    makeRaw(master_);
}

PseudoTerminal::~PseudoTerminal() {
    if (heldSlave_ >= 0)
        ::close(heldSlave_);
    closeMaster();
}

void PseudoTerminal::holdSlave() {
    if (heldSlave_ >= 0)
        return;
    heldSlave_ = ::open(QFile::encodeName(slavePath_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (heldSlave_ < 0)
        fail("open slave");
    makeRaw(heldSlave_);
}

qsizetype PseudoTerminal::unreadBySlave() const {
    int queued = 0;
    if (heldSlave_ < 0 || ::ioctl(heldSlave_, FIONREAD, &queued) != 0)
        return 0;
    return queued;
}

void PseudoTerminal::closeMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool PseudoTerminal::writeAll(const QByteArray& bytes, int timeoutMs) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(master_, bytes.constData() + done, bytes.size() - done);
        if (written > 0) {
            done += written;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return false;
        if (!waitFor(master_, POLLOUT, timeoutMs))
            return false;
    }
    return true;
}

QByteArray PseudoTerminal::readAvailable(int timeoutMs) {
    if (master_ < 0 || !waitFor(master_, POLLIN, timeoutMs))
        return {};
    QByteArray bytes;
    char block[kReadBlockBytes];
    for (;;) {
        const ssize_t got = ::read(master_, block, sizeof block);
        if (got > 0) {
            bytes.append(block, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return bytes;
    }
}

} // namespace zor::sim
