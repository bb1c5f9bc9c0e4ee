#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace zor {

// The settings row of the store: the word of the interface language.
class Settings {
public:
    explicit Settings(QSqlDatabase db) : db_(std::move(db)) {}

    // The stored word, or nothing when the row is missing; throws UserError.
    std::optional<QString> language() const;
    // Stores the word in the row, when the row exists; throws UserError.
    void setLanguage(const QString& word);

private:
    QSqlDatabase db_;
};

} // namespace zor
