#pragma once

#include "UserError.h"

namespace zor {

inline constexpr auto kPortFailedText = "Can't initialize serial port. Please check your setting.";

// The serial port could not be opened; cause() is the link's own words.
class PortError : public UserError {
public:
    explicit PortError(QString cause)
        : UserError(QString::fromLatin1(kPortFailedText)), cause_(std::move(cause)) {}
    const QString& cause() const noexcept { return cause_; }

private:
    QString cause_;
};

} // namespace zor
