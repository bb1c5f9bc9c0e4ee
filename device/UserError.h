#pragma once

#include <QString>
#include <stdexcept>

namespace zor {

// An error whose text is meant for the operator.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};

// The serial port could not be opened: the component's own text, and the cause in words the
// operator can act on ("%1" stands for the port's name).
class PortOpenError : public UserError {
public:
    PortOpenError(const QString& text, QString cause) : UserError(text), cause_(std::move(cause)) {}
    const QString& cause() const noexcept { return cause_; }

private:
    QString cause_;
};

// A date-time that passes the range checks but does not exist in the calendar.
class EConvertError : public UserError {
public:
    using UserError::UserError;
};

} // namespace zor
