#include "Settings.h"

#include "SqlSupport.h"

namespace zor {

namespace {
constexpr auto kSelectLanguage = R"sql(SELECT "Desc" FROM SETTING WHERE id = 1)sql";
constexpr auto kUpdateLanguage = R"sql(UPDATE SETTING SET "Desc" = :word WHERE id = 1)sql";
} // namespace

std::optional<QString> Settings::language() const {
    QSqlQuery query = prepareStatement(db_, kSelectLanguage);
    execute(query);
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

void Settings::setLanguage(const QString& word) {
    QSqlQuery query = prepareStatement(db_, kUpdateLanguage);
    query.bindValue(":word", word);
    execute(query);
}

} // namespace zor
