#include "TComm.h"

#include "CommReader.h"
#include "PortNames.h"
#include "UserError.h"

namespace zor {

namespace {
constexpr auto kAlreadyOpenText = "This serial port already opened";
}

TComm::TComm(QObject* parent) : QObject(parent) {}

TComm::~TComm() {
    StopComm();
}

void TComm::StartComm() {
    if (reader_)
        throw UserError(QString::fromLatin1(kAlreadyOpenText));
    // Chunks travel as queued calls to this object, so they arrive on its thread in order.
    auto handOver = [this](const QByteArray& chunk) {
        QMetaObject::invokeMethod(
            this, [this, chunk] { emit ReceiveData(chunk); }, Qt::QueuedConnection);
    };
    auto reader = std::make_unique<CommReader>(devicePathFor(CommName), std::move(handOver));
    reader->open();
    reader_ = std::move(reader);
}

void TComm::StopComm() {
    if (!reader_)
        return;
    reader_->stop();
    reader_.reset();
}

bool TComm::WriteCommData(const char* data, quint16 size) {
    if (!reader_ || data == nullptr || size == 0)
        return false;
    return reader_->queueWrite(QByteArray(data, size));
}

} // namespace zor
